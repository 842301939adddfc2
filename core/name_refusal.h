#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/volume_rules.h"

namespace tolvane {

// Why a volume refuses a name that Linux would take.
struct NameRefusal {
  enum class Cause : unsigned char { Character, EndsInDotOrSpace, NotUnicode, NotAscii, TooLong };
  Cause cause;
  char character;  // the refused character (a control character or an ASCII sign), or the dot or space at the end
};

// Why a volume under `rules` refuses `name`, or nothing when it takes it. The name is one
// that Linux takes: not empty, no "/" or NUL, and at most 255 bytes unless the volume counts
// UTF-16 code units.
std::optional<NameRefusal> RefusalOf(NameRules rules, std::string_view name);

// Plain words: "the volume of this folder does not allow ':' in a name".
std::string DescribeRefusal(const NameRefusal& refusal);

}  // namespace tolvane
