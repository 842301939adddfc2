#pragma once

#include <string_view>

namespace tolvane {

// The order a file manager shows names in: runs of digits compare by their value, letters
// without regard to case ("IMG_2" < "IMG_10", "a" < "B"); ties are broken by byte order, so
// the order is total.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace tolvane
