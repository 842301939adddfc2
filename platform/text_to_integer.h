#pragma once

#include <cstdint>
#include <string_view>

namespace tolvane {

// Reads a signed 32-bit number from text: blanks around it and a sign are accepted, a
// decimal fraction rounds half to even. Raises Error 13 "Type mismatch" for text that is
// not a number (the empty text included) and Error 6 "Overflow" outside the 32-bit range.
std::int32_t TextToInteger(std::string_view text);

}  // namespace tolvane
