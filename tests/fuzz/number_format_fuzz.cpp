#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/number_format.h"
#include "platform/text_to_integer.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_property.h"
#include "tests/fuzz/read_back.h"

using tolvane::fuzz::Require;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsAllZeros(std::string_view pattern) {
  return !pattern.empty() && pattern.find_first_not_of('0') == std::string_view::npos;
}

// How many digits the number has when written whole, without its sign.
std::size_t DigitCount(std::int32_t number) {
  std::string digits = std::to_string(number);
  return static_cast<std::size_t>(std::count_if(digits.begin(), digits.end(), IsDigit));
}

// A pattern of zeros is a field of digit places: the written number is an optional "-" and
// digits only, as many as the pattern has places or as the number needs, whichever is more.
void CheckZeroPattern(std::int32_t number, std::string_view pattern, const std::string& written) {
  const std::string_view digits = std::string_view(written).substr(written.starts_with('-') ? 1 : 0);
  Require(!digits.empty() && std::all_of(digits.begin(), digits.end(), IsDigit),
          "a pattern of zeros writes an optional minus sign and digits only");
  Require(digits.size() >= pattern.size(), "a pattern of zeros writes at least one digit per zero");
  Require(digits.size() == std::max(pattern.size(), DigitCount(number)),
          "a pattern of zeros pads to its width and never cuts a longer number");
  Require(tolvane::TextToInteger(written) == number, "a number written after a pattern of zeros reads back as itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tolvane::fuzz::FuzzInput input(data, size);
  const std::int32_t number = input.TakeNumber();
  const std::string_view pattern = input.TakeRest();

  // A pattern is never rejected: any throw here ends the run as a fault.
  const std::string written = tolvane::FormatNumber(number, pattern);
  if (IsAllZeros(pattern)) CheckZeroPattern(number, pattern, written);

  tolvane::fuzz::RequireReadsBack(number);
  return 0;
}
