#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/number_format.h"

namespace tolvane {

// The four naming fields, exactly as typed.
struct NamingFields {
  std::string PrefixBefore;
  std::string PrefixAfter;
  std::string SequenceStart = "1";
  std::string SequencePattern = "00";
  friend bool operator==(const NamingFields&, const NamingFields&) = default;
};

// The text after the last dot of a name, or no value when the name has no dot or its last
// dot stands before the last "/". The result views into `name`.
std::optional<std::string_view> GetExtension(std::string_view name);

// Composes the new names of one preview: the pattern is read once for the whole batch.
class NameComposer {
 public:
  explicit NameComposer(const NamingFields& fields);

  // PrefixBefore, the number after SequencePattern, PrefixAfter: what every name of one
  // number begins with.
  std::string Base(std::int32_t number) const { return Base(number, prefixBefore_, prefixAfter_); }
  // The same with the texts before and after the number given, as an entry's dates write them.
  std::string Base(std::int32_t number, std::string_view before, std::string_view after) const;
  // The base, ".", the extension of `currentName`.
  std::string Compose(std::int32_t number, std::string_view currentName) const {
    return Extended(Base(number), currentName);
  }
  // A base made into one file's name: ".", and the extension of `currentName`.
  static std::string Extended(std::string base, std::string_view currentName);

 private:
  std::string prefixBefore_;
  std::string prefixAfter_;
  NumberPattern pattern_;
};

std::string ComposeName(const NamingFields& fields, std::int32_t number, std::string_view currentName);

// The first number of a preview: SequenceStart read as a signed 32-bit number.
std::int32_t SequenceStartNumber(const NamingFields& fields);

// The number after `number`; raises Overflow past the largest signed 32-bit number.
std::int32_t NextSequenceNumber(std::int32_t number);

}  // namespace tolvane
