#pragma once

#include <cstdint>
#include <string>

#include "platform/number_format.h"
#include "platform/text_to_integer.h"
#include "tests/fuzz/fuzz_property.h"

namespace tolvane::fuzz {

// Conversion and formatting agree on plain integers: a number written as decimal text, by the
// standard library or with the empty pattern, reads back as itself.
inline void RequireReadsBack(std::int32_t number) {
  Require(TextToInteger(std::to_string(number)) == number, "a number's decimal text reads back as itself");
  Require(TextToInteger(FormatNumber(number, "")) == number,
          "a number written with the empty pattern reads back as itself");
}

}  // namespace tolvane::fuzz
