#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// The form under which a volume that folds case stores a name's letters: UTF-8 with Unicode's
// simple case folding applied to each character ("IMG_01.JPG" and "img_01.jpg" give one
// form, and so do "É" and "é"). Bytes that are not UTF-8 are kept as they are.
std::string FoldCase(std::string_view name);

}  // namespace tolvane
