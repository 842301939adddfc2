#include "core/name_refusal.h"

#include "core/longest_name.h"
#include "core/utf8.h"

namespace tolvane {

namespace {

constexpr std::string_view kWindowsReserved = "\"*:<>?\\|";

constexpr unsigned char kDelete = 0x7F;

bool IsControlCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == kDelete;
}

// DEL is a control character that only fusefat refuses; every other volume takes it.
bool IsRefusedCharacter(NameRules rules, char c) {
  if (static_cast<unsigned char>(c) == kDelete) return rules == NameRules::FuseFat;
  return IsControlCharacter(c) || kWindowsReserved.find(c) != std::string_view::npos;
}

// How many UTF-16 code units the volume stores the name in, or nothing when it is not UTF-8.
std::optional<std::size_t> Utf16Units(std::string_view name) {
  std::size_t units = 0;
  while (!name.empty()) {
    const auto decoded = DecodeUtf8(name);
    if (!decoded) return std::nullopt;
    units += decoded->character >= 0x10000 ? 2 : 1;
    name.remove_prefix(decoded->length);
  }
  return units;
}

}  // namespace

std::optional<NameRefusal> RefusalOf(NameRules rules, std::string_view name) {
  if (rules == NameRules::Linux) return std::nullopt;
  for (const char c : name) {
    if (IsRefusedCharacter(rules, c)) return NameRefusal{NameRefusal::Cause::Character, c};
    if (rules == NameRules::FuseFat && static_cast<unsigned char>(c) > kDelete) {
      return NameRefusal{NameRefusal::Cause::NotAscii, 0};
    }
  }
  if (rules == NameRules::WindowsShare) return std::nullopt;
  const auto units = Utf16Units(name);
  if (!units) return NameRefusal{NameRefusal::Cause::NotUnicode, 0};
  if (*units > kLongestNameUtf16Units) return NameRefusal{NameRefusal::Cause::TooLong, 0};
  if (rules >= NameRules::Fat && !name.empty() && (name.back() == '.' || name.back() == ' ')) {
    return NameRefusal{NameRefusal::Cause::EndsInDotOrSpace, name.back()};
  }
  return std::nullopt;
}

std::string DescribeRefusal(const NameRefusal& refusal) {
  switch (refusal.cause) {
    case NameRefusal::Cause::Character: {
      if (IsControlCharacter(refusal.character)) {
        return "the volume of this folder does not allow control characters in a name";
      }
      return std::string("the volume of this folder does not allow '") + refusal.character + "' in a name";
    }
    case NameRefusal::Cause::EndsInDotOrSpace:
      return std::string("the volume of this folder drops a ") + (refusal.character == '.' ? "dot" : "space") +
             " at the end of a name, so the file would get another name";
    case NameRefusal::Cause::NotUnicode: return "the volume of this folder takes only names in UTF-8";
    case NameRefusal::Cause::NotAscii: return "the volume of this folder takes only ASCII characters in a name";
    case NameRefusal::Cause::TooLong: return "the new name is longer than the 255 characters the volume of this folder allows";
  }
  return {};
}

}  // namespace tolvane
