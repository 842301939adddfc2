#pragma once

#include <cstddef>

namespace tolvane {

// The longest name, in bytes, that Linux takes for a file: longer new names are refused
// before anything is renamed, and a temporary name is cut to it.
inline constexpr std::size_t kLongestNameBytes = 255;
// The longest name a volume that keeps names in UTF-16 (exFAT, NTFS) takes, in its code units.
inline constexpr std::size_t kLongestNameUtf16Units = 255;

}  // namespace tolvane
