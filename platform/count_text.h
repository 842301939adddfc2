#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvane {

// A count in a text the user reads ("45,237 of 50,000 files"), written with the digit grouping
// of the user's locale (LC_NUMERIC), so that every count of the program reads alike. Numbers in
// file names follow their pattern instead (number_format.h).
std::string CountText(std::uint64_t count);

// The digits of `count` in groups, as a locale's data gives them: `separator` between groups,
// and `grouping` the groups' sizes from the right, one byte each, the last one repeating
// (CHAR_MAX, or no grouping at all, ends the grouping).
std::string GroupedDigits(std::uint64_t count, std::string_view separator, std::string_view grouping);

}  // namespace tolvane
