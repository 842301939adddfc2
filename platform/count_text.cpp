#include "platform/count_text.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <climits>

namespace tolvane {

namespace {

struct Grouping {
  std::string separator;
  std::string sizes;
};

// Read once: the locale of a running program does not change. A locale that cannot be loaded
// groups nothing, as the C locale does.
const Grouping& UserGrouping() {
  static const Grouping grouping = [] {
    const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr)) return Grouping{};
    Grouping read{nl_langinfo_l(THOUSEP, user), nl_langinfo_l(GROUPING, user)};
    freelocale(user);
    return read;
  }();
  return grouping;
}

}  // namespace

std::string GroupedDigits(std::uint64_t count, std::string_view separator, std::string_view grouping) {
  const std::string digits = std::to_string(count);
  if (separator.empty() || grouping.empty()) return digits;
  std::string written;
  std::size_t end = digits.size();
  std::size_t group = 0;
  while (end > 0) {
    const char size = grouping[std::min(group, grouping.size() - 1)];
    if (size <= 0 || size == CHAR_MAX || static_cast<std::size_t>(size) >= end) {
      written.insert(0, digits, 0, end);
      break;
    }
    written.insert(0, digits, end - static_cast<std::size_t>(size), static_cast<std::size_t>(size));
    written.insert(0, separator);
    end -= static_cast<std::size_t>(size);
    ++group;
  }
  return written;
}

std::string CountText(std::uint64_t count) {
  const Grouping& grouping = UserGrouping();
  return GroupedDigits(count, grouping.separator, grouping.sizes);
}

}  // namespace tolvane
