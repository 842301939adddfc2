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

  // The last part of the name, after its last "/": an extension lives there or nowhere.
  const std::string_view lastPart = name.substr(name.find_last_of('/') + 1);
  if (!extension) {
    Require(lastPart.find('.') == std::string_view::npos, "a name without an extension holds no dot after its last \"/\"");
    return 0;
  }
  Require(extension->find_first_of("./") == std::string_view::npos, "an extension holds no dot and no \"/\"");
  Require(name.size() > extension->size() && name[name.size() - extension->size() - 1] == '.' &&
              name.ends_with(*extension),
          "the name ends with a dot and the extension");
  // The result views into the name, so its end is the name's end: it is a suffix, not a copy.
  Require(extension->data() + extension->size() == name.data() + name.size(), "the extension ends where the name ends");
  return 0;
}
