#include "platform/date_format.h"

#include <algorithm>
#include <array>
#include <string>

namespace tolvane {

namespace {

void AppendZeroFilled(std::string& out, int value, std::size_t width) {
  const std::string digits = std::to_string(value);
  if (digits.size() < width) out.append(width - digits.size(), '0');
  out.append(digits);
}

void AppendMonthName(std::string& out, int month, const MonthNames& names) {
  if (month >= 1 && month <= 12) {
    out.append(names[static_cast<std::size_t>(month - 1)]);
  } else {
    // No name to take it from: the number still tells the month.
    AppendZeroFilled(out, month, 2);
  }
}

}  // namespace

std::string FormatDateTime(const DateTime& dateTime, std::string_view pattern, const MonthNames& monthAbbreviations) {
  struct Field {
    std::string_view code;
    int value;
  };
  const std::array<Field, 6> numericFields{{{"YYYY", dateTime.year},
                                            {"DD", dateTime.day},
                                            {"MM", dateTime.month},
                                            {"hh", dateTime.hour},
                                            {"mm", dateTime.minute},
                                            {"ss", dateTime.second}}};
  std::string out;
  out.reserve(pattern.size() + 8);
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const std::string_view rest = pattern.substr(pos);
    if (rest.starts_with("MMM")) {
      AppendMonthName(out, dateTime.month, monthAbbreviations);
      pos += 3;
      continue;
    }
    const auto field = std::find_if(numericFields.begin(), numericFields.end(),
                                    [rest](const Field& f) { return rest.starts_with(f.code); });
    if (field != numericFields.end()) {
      AppendZeroFilled(out, field->value, field->code.size());
      pos += field->code.size();
    } else {
      out.push_back(pattern[pos++]);
    }
  }
  return out;
}

MonthNames EnglishMonthAbbreviations() {
  return {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}

}  // namespace tolvane
