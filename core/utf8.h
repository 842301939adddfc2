#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tolvane {

struct Decoded {
  char32_t character;
  std::size_t length;  // bytes
};

// One UTF-8 character at the start of `text`, or nothing when its bytes are not one
// (overlong forms and surrogates included).
std::optional<Decoded> DecodeUtf8(std::string_view text);

}  // namespace tolvane
