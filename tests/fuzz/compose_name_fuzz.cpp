#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "core/name_composer.h"
#include "platform/number_format.h"
#include "platform/text_to_integer.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_property.h"

using tolvane::fuzz::Outcome;
using tolvane::fuzz::OutcomeOf;
using tolvane::fuzz::Raised;
using tolvane::fuzz::Require;

namespace {

// The input is the number, then the four fields and the current name, cut at NUL bytes.
struct ComposeInput {
  std::int32_t number;
  tolvane::NamingFields fields;
  std::string_view currentName;
};

ComposeInput ReadInput(const std::uint8_t* data, std::size_t size) {
  tolvane::fuzz::FuzzInput input(data, size);
  ComposeInput composeInput;
  composeInput.number = input.TakeNumber();
  composeInput.fields.PrefixBefore = input.TakeText();
  composeInput.fields.PrefixAfter = input.TakeText();
  composeInput.fields.SequenceStart = input.TakeText();
  composeInput.fields.SequencePattern = input.TakeText();
  composeInput.currentName = input.TakeRest();
  return composeInput;
}

// Every byte of every field lands in the new name unchanged and in its place.
void CheckComposedName(const ComposeInput& in) {
  const std::string composed = tolvane::ComposeName(in.fields, in.number, in.currentName);
  const std::string expected = in.fields.PrefixBefore + tolvane::FormatNumber(in.number, in.fields.SequencePattern) +
                               in.fields.PrefixAfter + "." +
                               std::string(tolvane::GetExtension(in.currentName).value_or(""));
  Require(composed == expected, "the new name is the text before, the number, the text after, a dot, the extension");
}

void CheckSequenceNumbers(const ComposeInput& in) {
  const auto start = OutcomeOf([&] { return tolvane::SequenceStartNumber(in.fields); });
  const auto converted = OutcomeOf([&] { return tolvane::TextToInteger(in.fields.SequenceStart); });
  Require(start == converted, "the start number is the start text's conversion, failure included");

  const auto next = OutcomeOf([&] { return tolvane::NextSequenceNumber(in.number); });
  const bool last = in.number == std::numeric_limits<std::int32_t>::max();
  const Outcome<std::int32_t> expected = last ? Outcome<std::int32_t>{Raised{6}} : Outcome<std::int32_t>{in.number + 1};
  Require(next == expected, "the next number is one more, and Overflow after the largest");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ComposeInput input = ReadInput(data, size);
  CheckComposedName(input);
  CheckSequenceNumbers(input);
  return 0;
}
