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

// The extension as a reader of the name sees it: what follows the last dot of the name's last
// part (after its last "/"), or nothing.
std::string_view ExtensionSeen(std::string_view name) {
  const std::string_view lastPart = name.substr(name.find_last_of('/') + 1);
  const std::size_t dot = lastPart.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : lastPart.substr(dot + 1);
}

// Every byte of every field lands in the new name unchanged and in its place: the text before
// at the start, then the number's text, then the text after, a dot and the extension at the end.
void CheckComposedName(const ComposeInput& in) {
  const std::string composed = tolvane::ComposeName(in.fields, in.number, in.currentName);
  const std::string_view name = composed;
  const std::string ending = in.fields.PrefixAfter + "." + std::string(ExtensionSeen(in.currentName));
  Require(name.starts_with(in.fields.PrefixBefore), "the new name starts with the text before");
  Require(name.ends_with(ending), "the new name ends with the text after, a dot and the extension");
  const std::string numberText = tolvane::FormatNumber(in.number, in.fields.SequencePattern);
  Require(composed.size() == in.fields.PrefixBefore.size() + numberText.size() + ending.size(),
          "the lengths of the parts add up to the new name's");
  Require(name.substr(in.fields.PrefixBefore.size(), numberText.size()) == numberText,
          "the number's text stands between the text before and the text after");
}

void CheckSequenceNumbers(const ComposeInput& in) {
  const auto start = OutcomeOf([&] { return tolvane::SequenceStartNumber(in.fields); });
  const auto converted = OutcomeOf([&] { return tolvane::TextToInteger(in.fields.SequenceStart); });
  Require(start == converted, "the start number is the start text's conversion, failure included");

  const auto next = OutcomeOf([&] { return tolvane::NextSequenceNumber(in.number); });
  const bool last = in.number == std::numeric_limits<std::int32_t>::max();
  const Outcome<std::int32_t> expected = last ? Outcome<std::int32_t>{Raised{tolvane::ErrorNumber::Overflow}} : Outcome<std::int32_t>{in.number + 1};
  Require(next == expected, "the next number is one more, and Overflow after the largest");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ComposeInput input = ReadInput(data, size);
  CheckComposedName(input);
  CheckSequenceNumbers(input);
  return 0;
}
