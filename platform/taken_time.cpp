#include "platform/taken_time.h"

#include <cctype>
#include <cstdint>
#include <ctime>

namespace tolvane {

namespace {

struct CivilTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  std::uint32_t nanoseconds = 0;
};

// Reads exactly `digits` decimal digits at `at`, moving past them.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t digits) {
  if (at + digits > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const char c = text[at + i];
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  at += digits;
  return value;
}

bool Skip(std::string_view text, std::size_t& at, char expected) {
  if (at >= text.size() || text[at] != expected) return false;
  ++at;
  return true;
}

// Digits after a decimal point, as nanoseconds; the ninth place is the last that counts.
std::uint32_t Fraction(std::string_view digits) {
  std::uint32_t nanoseconds = 0;
  std::uint32_t place = 100'000'000;
  for (const char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    nanoseconds += static_cast<std::uint32_t>(c - '0') * place;
    place /= 10;
    if (place == 0) break;
  }
  return nanoseconds;
}

bool Possible(const CivilTime& t) {
  return t.year >= 1 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour <= 23 &&
         t.minute <= 59 && t.second <= 60;
}

// Days from 1970-01-01 to a day of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The moment of a civil time that is `offsetMinutes` ahead of UTC, or of local time without
// one, which the time then keeps as its wall clock.
std::optional<TakenTime> TakenOf(const CivilTime& t, std::optional<int> offsetMinutes) {
  if (!Possible(t)) return std::nullopt;
  std::int64_t seconds = 0;
  if (offsetMinutes) {
    seconds = DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second -
              std::int64_t{*offsetMinutes} * 60;
  } else {
    std::tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;
    seconds = std::mktime(&local);
    return TakenTime{FileTime{seconds, t.nanoseconds}, DateTime{t.year, t.month, t.day, t.hour, t.minute, t.second}};
  }
  return TakenTime{FileTime{seconds, t.nanoseconds}, std::nullopt};
}

// "+HH:MM", "-HH:MM", "+HHMM", "+HH" or "Z" at `at`, to the end of the text.
std::optional<int> OffsetAt(std::string_view text, std::size_t at) {
  if (at < text.size() && text[at] == 'Z') return at + 1 == text.size() ? std::optional<int>(0) : std::nullopt;
  if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return std::nullopt;
  const int sign = text[at] == '-' ? -1 : 1;
  ++at;
  const auto hours = Digits(text, at, 2);
  if (!hours) return std::nullopt;
  Skip(text, at, ':');
  const int minutes = at < text.size() ? Digits(text, at, 2).value_or(-1) : 0;
  if (minutes < 0 || at != text.size() || *hours > 23 || minutes > 59) return std::nullopt;
  return sign * (*hours * 60 + minutes);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '\0')) {
    text.remove_suffix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  return text;
}

}  // namespace

std::optional<TakenTime> ExifTaken(std::string_view text, std::string_view subSeconds, std::string_view offset) {
  text = Trimmed(text);
  CivilTime t;
  std::size_t at = 0;
  const auto year = Digits(text, at, 4);
  if (!year || !Skip(text, at, ':')) return std::nullopt;
  const auto month = Digits(text, at, 2);
  if (!month || !Skip(text, at, ':')) return std::nullopt;
  const auto day = Digits(text, at, 2);
  if (!day || !Skip(text, at, ' ')) return std::nullopt;
  const auto hour = Digits(text, at, 2);
  if (!hour || !Skip(text, at, ':')) return std::nullopt;
  const auto minute = Digits(text, at, 2);
  if (!minute || !Skip(text, at, ':')) return std::nullopt;
  const auto second = Digits(text, at, 2);
  if (!second || at != text.size()) return std::nullopt;
  t = CivilTime{*year, *month, *day, *hour, *minute, *second, Fraction(Trimmed(subSeconds))};
  offset = Trimmed(offset);
  return TakenOf(t, offset.empty() ? std::nullopt : OffsetAt(offset, 0));
}

std::optional<TakenTime> IsoTaken(std::string_view text) {
  text = Trimmed(text);
  CivilTime t;
  std::size_t at = 0;
  const auto year = Digits(text, at, 4);
  if (!year) return std::nullopt;
  t.year = *year;
  t.month = t.day = 1;
  if (Skip(text, at, '-')) {
    const auto month = Digits(text, at, 2);
    if (!month) return std::nullopt;
    t.month = *month;
    if (Skip(text, at, '-')) {
      const auto day = Digits(text, at, 2);
      if (!day) return std::nullopt;
      t.day = *day;
    }
  }
  if (at == text.size()) return TakenOf(t, std::nullopt);
  if (!Skip(text, at, 'T') && !Skip(text, at, ' ')) return std::nullopt;
  const auto hour = Digits(text, at, 2);
  if (!hour || !Skip(text, at, ':')) return std::nullopt;
  const auto minute = Digits(text, at, 2);
  if (!minute) return std::nullopt;
  t.hour = *hour;
  t.minute = *minute;
  if (Skip(text, at, ':')) {
    const auto second = Digits(text, at, 2);
    if (!second) return std::nullopt;
    t.second = *second;
    if (Skip(text, at, '.') || Skip(text, at, ',')) {
      const std::size_t start = at;
      while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
      t.nanoseconds = Fraction(text.substr(start, at - start));
    }
  }
  if (at == text.size()) return TakenOf(t, std::nullopt);
  const auto offset = OffsetAt(text, at);
  if (!offset) return std::nullopt;
  return TakenOf(t, offset);
}

DateTime LocalDateTime(FileTime moment) {
  const std::time_t seconds = moment.seconds;
  std::tm local{};
  localtime_r(&seconds, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace tolvane
