#include "platform/text_to_integer.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/error.h"

namespace tolvane {

namespace {

// A number as written: value = digits x 10^shift, kept as text so that no digit is lost
// to floating point before the rounding.
struct DecimalText {
  bool negative = false;
  std::string digits;  // without leading zeros; empty for zero
  long long shift = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool ReadSign(std::string_view text, std::size_t& pos) {
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) return text[pos++] == '-';
  return false;
}

std::string_view ReadDigits(std::string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return text.substr(start, pos - start);
}

// Exponents beyond any 32-bit result are held at this size, which keeps the arithmetic safe.
constexpr long long kExponentCap = 1'000'000'000;

std::optional<long long> ReadExponent(std::string_view text, std::size_t& pos) {
  const bool negative = ReadSign(text, pos);
  const std::string_view digits = ReadDigits(text, pos);
  if (digits.empty()) return std::nullopt;
  long long exponent = 0;
  for (char digit : digits) exponent = std::min(kExponentCap, exponent * 10 + (digit - '0'));
  return negative ? -exponent : exponent;
}

std::optional<DecimalText> ParseDecimal(std::string_view text) {
  DecimalText number;
  std::size_t pos = 0;
  number.negative = ReadSign(text, pos);
  const std::string_view whole = ReadDigits(text, pos);
  std::string_view fraction;
  if (pos < text.size() && text[pos] == '.') fraction = ReadDigits(text, ++pos);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  long long exponent = 0;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    const auto read = ReadExponent(text, ++pos);
    if (!read) return std::nullopt;
    exponent = *read;
  }
  if (pos != text.size()) return std::nullopt;
  number.digits.append(whole).append(fraction);
  number.digits.erase(0, std::min(number.digits.find_first_not_of('0'), number.digits.size()));
  number.shift = exponent - static_cast<long long>(fraction.size());
  return number;
}

// More integer digits than this cannot fit in 32 bits whatever they are.
constexpr std::size_t kMaxIntegerDigits = 10;

std::uint64_t DigitsValue(std::string_view digits) {
  std::uint64_t value = 0;
  for (char digit : digits) value = value * 10 + static_cast<std::uint64_t>(digit - '0');
  return value;
}

// Rounds half to even; the result is at most 10 digits long or the text is out of range.
std::uint64_t RoundedMagnitude(const DecimalText& number) {
  const std::string_view digits = number.digits;
  if (digits.empty()) return 0;
  if (number.shift >= 0) {
    if (digits.size() + static_cast<unsigned long long>(number.shift) > kMaxIntegerDigits) throw Error::Overflow();
    std::uint64_t value = DigitsValue(digits);
    for (long long i = 0; i < number.shift; ++i) value *= 10;
    return value;
  }
  const auto fractionLength = static_cast<unsigned long long>(-number.shift);
  // A fraction longer than the digits begins with a zero, so it is below one half.
  if (fractionLength > digits.size()) return 0;
  const std::string_view whole = digits.substr(0, digits.size() - fractionLength);
  const std::string_view fraction = digits.substr(whole.size());
  if (whole.size() > kMaxIntegerDigits) throw Error::Overflow();
  const std::uint64_t truncated = DigitsValue(whole);
  const bool aboveHalf = fraction.find_first_not_of('0', 1) != std::string_view::npos;
  const bool roundUp = fraction[0] > '5' || (fraction[0] == '5' && (aboveHalf || truncated % 2 == 1));
  return truncated + (roundUp ? 1 : 0);
}

}  // namespace

std::int32_t TextToInteger(std::string_view text) {
  const auto number = ParseDecimal(TrimBlanks(text));
  if (!number) throw Error::TypeMismatch();
  const std::uint64_t magnitude = RoundedMagnitude(*number);
  const std::uint64_t limit = number->negative ? 2147483648ULL : 2147483647ULL;
  if (magnitude > limit) throw Error::Overflow();
  const auto value = static_cast<std::int64_t>(magnitude);
  return static_cast<std::int32_t>(number->negative ? -value : value);
}

}  // namespace tolvane
