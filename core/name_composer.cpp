#include "core/name_composer.h"

#include <limits>

#include "platform/error.h"
#include "platform/path.h"
#include "platform/text_to_integer.h"

namespace tolvane {

std::optional<std::string_view> GetExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::size_t separator = name.rfind(kPathSeparator);
  // A dot before the last separator belongs to a folder's name, not to the file's extension.
  if (separator != std::string_view::npos && separator > dot) return std::nullopt;
  return name.substr(dot + 1);
}

NameComposer::NameComposer(const NamingFields& fields)
    : prefixBefore_(fields.PrefixBefore), prefixAfter_(fields.PrefixAfter), pattern_(fields.SequencePattern) {}

std::string NameComposer::Base(std::int32_t number, std::string_view before, std::string_view after) const {
  const std::string written = pattern_.Format(number);
  std::string name;
  // Room for an ending, so that the name is made in one allocation.
  name.reserve(before.size() + written.size() + after.size() + 16);
  name.append(before).append(written).append(after);
  return name;
}

std::string NameComposer::Extended(std::string base, std::string_view currentName) {
  const std::string_view extension = GetExtension(currentName).value_or(std::string_view{});
  return base.append(".").append(extension);
}

std::string ComposeName(const NamingFields& fields, std::int32_t number, std::string_view currentName) {
  return NameComposer(fields).Compose(number, currentName);
}

std::int32_t SequenceStartNumber(const NamingFields& fields) { return TextToInteger(fields.SequenceStart); }

std::int32_t NextSequenceNumber(std::int32_t number) {
  if (number == std::numeric_limits<std::int32_t>::max()) throw Error::Overflow();
  return number + 1;
}

}  // namespace tolvane
