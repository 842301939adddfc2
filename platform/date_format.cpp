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

int ValueOf(const DateTime& dateTime, DateCode code) {
  switch (code) {
    case DateCode::Year: return dateTime.year;
    case DateCode::Month:
    case DateCode::MonthName: return dateTime.month;
    case DateCode::Day: return dateTime.day;
    case DateCode::Hour: return dateTime.hour;
    case DateCode::Minute: return dateTime.minute;
    case DateCode::Second: return dateTime.second;
  }
  return 0;
}

}  // namespace

std::vector<DatePart> ReadDatePattern(std::string_view pattern) {
  struct Code {
    std::string_view text;
    DateCode code;
  };
  // MMM before MM, which it begins with.
  static constexpr std::array<Code, 7> kCodes{{{"MMM", DateCode::MonthName},
                                               {"YYYY", DateCode::Year},
                                               {"DD", DateCode::Day},
                                               {"MM", DateCode::Month},
                                               {"hh", DateCode::Hour},
                                               {"mm", DateCode::Minute},
                                               {"ss", DateCode::Second}}};
  std::vector<DatePart> parts;
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const std::string_view rest = pattern.substr(pos);
    const auto code =
        std::find_if(kCodes.begin(), kCodes.end(), [rest](const Code& c) { return rest.starts_with(c.text); });
    if (code != kCodes.end()) {
      parts.push_back(DatePart{code->code});
      pos += code->text.size();
    } else {
      parts.push_back(DatePart{std::nullopt, pattern[pos++]});
    }
  }
  return parts;
}

std::size_t DigitsOf(DateCode code) {
  switch (code) {
    case DateCode::Year: return 4;
    case DateCode::MonthName: return 0;
    default: return 2;
  }
}

void AppendDateTime(std::string& out, const DateTime& dateTime, const std::vector<DatePart>& parts,
                    const MonthNames& monthAbbreviations) {
  for (const DatePart& part : parts) {
    if (!part.code) {
      out.push_back(part.literal);
    } else if (*part.code == DateCode::MonthName) {
      AppendMonthName(out, dateTime.month, monthAbbreviations);
    } else {
      AppendZeroFilled(out, ValueOf(dateTime, *part.code), DigitsOf(*part.code));
    }
  }
}

std::string FormatDateTime(const DateTime& dateTime, std::string_view pattern, const MonthNames& monthAbbreviations) {
  std::string out;
  out.reserve(pattern.size() + 8);
  AppendDateTime(out, dateTime, ReadDatePattern(pattern), monthAbbreviations);
  return out;
}

MonthNames EnglishMonthAbbreviations() {
  return {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}

}  // namespace tolvane
