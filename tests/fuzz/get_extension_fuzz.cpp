#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/name_composer.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_property.h"

using tolvane::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name = tolvane::fuzz::FuzzInput(data, size).TakeRest();
  const auto extension = tolvane::GetExtension(name);

  const std::size_t dot = name.rfind('.');
  const std::size_t separator = name.rfind('/');
  const bool hasExtension = dot != std::string_view::npos && (separator == std::string_view::npos || separator < dot);
  Require(extension.has_value() == hasExtension,
          "a name has an extension exactly when it holds a dot and no \"/\" after its last dot");
  if (!extension) return 0;

  // The result views into the name, so its end is the name's end: it is a suffix, not a copy.
  Require(extension->data() + extension->size() == name.data() + name.size(), "the extension ends where the name ends");
  Require(*extension == name.substr(dot + 1), "the extension is all that follows the last dot");
  return 0;
}
