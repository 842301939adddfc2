#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/text_to_integer.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_property.h"
#include "tests/fuzz/read_back.h"

using tolvane::fuzz::Outcome;
using tolvane::fuzz::OutcomeOf;
using tolvane::fuzz::Raised;
using tolvane::fuzz::Require;

namespace {

constexpr Raised kTypeMismatch{tolvane::ErrorNumber::TypeMismatch};
constexpr Raised kOverflow{tolvane::ErrorNumber::Overflow};

Outcome<std::int32_t> Convert(std::string_view text) {
  return OutcomeOf([text] { return tolvane::TextToInteger(text); });
}

// What a plain integer (an optional "-" and decimal digits, nothing else) must read as, from
// the standard library's own reading; no value for any other text.
std::optional<Outcome<std::int32_t>> PlainIntegerOutcome(std::string_view text) {
  if (text.empty()) return Outcome<std::int32_t>{kTypeMismatch};
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (end != text.data() + text.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range) return Outcome<std::int32_t>{kOverflow};
  return Outcome<std::int32_t>{value};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = tolvane::fuzz::FuzzInput(data, size).TakeRest();
  const Outcome<std::int32_t> outcome = Convert(text);

  if (const auto* raised = std::get_if<Raised>(&outcome)) {
    Require(*raised == kTypeMismatch || *raised == kOverflow, "the conversion raises only Type mismatch or Overflow");
  } else {
    tolvane::fuzz::RequireReadsBack(std::get<std::int32_t>(outcome));
  }
  if (const auto expected = PlainIntegerOutcome(text)) {
    Require(outcome == *expected, "a plain integer reads as the standard library reads it");
  }
  const std::string padded = " " + std::string(text) + " ";
  Require(Convert(padded) == outcome, "blanks around a text do not change what it reads as");
  return 0;
}
