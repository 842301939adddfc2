#pragma once

#include <string>
#include <string_view>

#include "platform/volume_rules.h"

namespace tolvane {

// The form under which a volume that folds case compares a name: two names are one there
// when their forms are equal. Under CaseTable::Unicode, UTF-8 with Unicode's simple case
// folding applied to each character ("IMG_01.JPG" and "img_01.jpg" give one form, and so do
// "É" and "é"). Under CaseTable::Exfat, each character as exFAT's up-case table gives it,
// ASCII letters written small: "ı" and "i", "ẞ" and "ß" stay apart there, and characters
// beyond 16 bits are compared as they are. Bytes that are not UTF-8 are kept as they are.
std::string FoldCase(std::string_view name, CaseTable table = CaseTable::Unicode);

}  // namespace tolvane
