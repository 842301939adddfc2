#include "platform/number_format.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace tolvane {

namespace {

using Section = NumberPattern::Section;
using Token = NumberPattern::Token;
using TokenKind = NumberPattern::TokenKind;

// The pattern as written, before it is known which "." is the decimal point and which ","
// stands between digit places.
enum class RawKind : unsigned char { Literal, Zero, Hash, Point, Comma, Percent, Exponent };

struct RawToken {
  RawKind kind;
  std::string literal;
  char exponentLetter = 'E';
  bool exponentAlwaysSigned = false;
  std::size_t exponentZeros = 0;
};

bool IsDigitPlace(char c) { return c == '0' || c == '#'; }

bool StartsExponent(std::string_view pattern, std::size_t letter) {
  return (pattern[letter] == 'E' || pattern[letter] == 'e') && letter + 1 < pattern.size() &&
         (pattern[letter + 1] == '+' || pattern[letter + 1] == '-');
}

RawToken LexExponent(std::string_view pattern, std::size_t& pos) {
  RawToken token{RawKind::Exponent, {}, pattern[pos], pattern[pos + 1] == '+'};
  pos += 2;
  for (; pos < pattern.size() && IsDigitPlace(pattern[pos]); ++pos) {
    if (pattern[pos] == '0') ++token.exponentZeros;
  }
  return token;
}

std::string_view QuotedText(std::string_view pattern, std::size_t& pos) {
  const std::size_t close = pattern.find('"', pos);
  const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
  const std::string_view text = pattern.substr(pos, end - pos);
  pos = close == std::string_view::npos ? end : close + 1;
  return text;
}

// Reads one section from `pos` and leaves `pos` after the ";" that ends it.
std::vector<RawToken> LexSection(std::string_view pattern, std::size_t& pos) {
  std::vector<RawToken> raw;
  bool exponentSeen = false;
  while (pos < pattern.size()) {
    const char c = pattern[pos];
    if (c == ';') {
      ++pos;
      break;
    }
    if (!exponentSeen && StartsExponent(pattern, pos)) {
      exponentSeen = true;
      raw.push_back(LexExponent(pattern, pos));
      continue;
    }
    ++pos;
    switch (c) {
      case '0': raw.push_back({RawKind::Zero, {}}); break;
      case '#': raw.push_back({RawKind::Hash, {}}); break;
      case '.': raw.push_back({RawKind::Point, {}}); break;
      case ',': raw.push_back({RawKind::Comma, {}}); break;
      case '%': raw.push_back({RawKind::Percent, {}}); break;
      case '"': raw.push_back({RawKind::Literal, std::string(QuotedText(pattern, pos))}); break;
      case '\\':
        // A closing backslash has nothing to make literal and writes nothing.
        if (pos < pattern.size()) raw.push_back({RawKind::Literal, std::string(1, pattern[pos++])});
        break;
      default: raw.push_back({RawKind::Literal, std::string(1, c)}); break;
    }
  }
  return raw;
}

bool IsRawPlace(const RawToken& token) { return token.kind == RawKind::Zero || token.kind == RawKind::Hash; }

void AddLiteral(Section& section, std::string_view text) {
  if (text.empty()) return;
  if (!section.tokens.empty() && section.tokens.back().kind == TokenKind::Literal) {
    section.tokens.back().literal.append(text);
  } else {
    section.tokens.push_back({TokenKind::Literal, std::string(text)});
  }
}

// Where the parts of a section begin and end, as indexes into its raw tokens.
struct SectionLayout {
  std::size_t exponent;  // the raw token count when there is none
  std::size_t point;     // the exponent's index when there is no decimal point
  std::size_t firstIntegerPlace;
  std::size_t lastIntegerPlace;
};

SectionLayout LayOut(const std::vector<RawToken>& raw) {
  SectionLayout layout{};
  const auto begin = raw.begin();
  layout.exponent = static_cast<std::size_t>(
      std::find_if(begin, raw.end(), [](const RawToken& t) { return t.kind == RawKind::Exponent; }) - begin);
  layout.point = layout.exponent;
  // A "." counts as the decimal point only when digit places follow it.
  for (std::size_t i = 0; i < layout.exponent; ++i) {
    if (raw[i].kind == RawKind::Point &&
        std::any_of(begin + static_cast<std::ptrdiff_t>(i + 1), begin + static_cast<std::ptrdiff_t>(layout.exponent),
                    IsRawPlace)) {
      layout.point = i;
      break;
    }
  }
  const auto integerEnd = begin + static_cast<std::ptrdiff_t>(layout.point);
  layout.firstIntegerPlace = static_cast<std::size_t>(std::find_if(begin, integerEnd, IsRawPlace) - begin);
  const auto lastPlace = std::find_if(std::make_reverse_iterator(integerEnd), raw.rend(), IsRawPlace);
  layout.lastIntegerPlace = lastPlace == raw.rend() ? layout.point : static_cast<std::size_t>(raw.rend() - lastPlace) - 1;
  return layout;
}

void CompilePlace(Section& section, const RawToken& token, bool inInteger) {
  const bool zero = token.kind == RawKind::Zero;
  if (inInteger) {
    ++section.integerPlaces;
    if (zero || section.minimumIntegerDigits > 0) ++section.minimumIntegerDigits;
  } else {
    ++section.fractionPlaces;
    section.fractionHasZeroPlace = section.fractionHasZeroPlace || zero;
  }
  section.tokens.push_back({zero ? TokenKind::ZeroPlace : TokenKind::OptionalPlace, {}});
}

void CompileExponent(Section& section, const RawToken& token) {
  section.hasExponent = true;
  section.exponentLetter = token.exponentLetter;
  section.exponentAlwaysSigned = token.exponentAlwaysSigned;
  section.exponentMinimumDigits = token.exponentZeros;
  section.tokens.push_back({TokenKind::Exponent, {}});
}

Section CompileSection(const std::vector<RawToken>& raw) {
  Section section;
  const SectionLayout layout = LayOut(raw);
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const RawToken& token = raw[i];
    switch (token.kind) {
      case RawKind::Zero:
      case RawKind::Hash:
        if (i > layout.exponent) {
          AddLiteral(section, token.kind == RawKind::Zero ? "0" : "#");
        } else {
          CompilePlace(section, token, i < layout.point);
        }
        break;
      case RawKind::Point:
        if (i == layout.point) {
          section.tokens.push_back({TokenKind::DecimalPoint, {}});
        } else {
          AddLiteral(section, ".");
        }
        break;
      case RawKind::Comma:
        if (i > layout.firstIntegerPlace && i < layout.lastIntegerPlace) {
          section.grouping = true;
        } else {
          AddLiteral(section, ",");
        }
        break;
      case RawKind::Percent:
        ++section.percentCount;
        AddLiteral(section, "%");
        break;
      case RawKind::Exponent: CompileExponent(section, token); break;
      case RawKind::Literal: AddLiteral(section, token.literal); break;
    }
  }
  return section;
}

// The digits a section writes: the integer part without leading zeros (empty for zero),
// the fraction with one digit per fraction place, and the power of ten.
struct Digits {
  std::string integer;
  std::string fraction;
  long exponent = 0;
};

std::string MagnitudeDigits(std::uint32_t magnitude, std::size_t percentCount) {
  if (magnitude == 0) return {};
  std::string digits = std::to_string(magnitude);
  digits.append(2 * percentCount, '0');
  return digits;
}

// Adds one in the last place; false when the carry runs off the front ("99" becomes "00").
bool IncrementDigits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return true;
    }
    *it = '0';
  }
  return false;
}

// Scales the number so that its leading digit fills the first integer place, and rounds
// half away from zero to the places there are.
Digits ScientificDigits(std::string digits, const Section& section) {
  Digits result{{}, std::string(section.fractionPlaces, '0'), 0};
  if (digits.empty()) return result;
  const std::size_t significant = section.integerPlaces + section.fractionPlaces;
  result.exponent = static_cast<long>(digits.size()) - static_cast<long>(section.integerPlaces);
  if (significant > 0 && digits.size() > significant) {
    const bool roundUp = digits[significant] >= '5';
    digits.resize(significant);
    if (roundUp && !IncrementDigits(digits)) {
      digits.insert(0, 1, '1');
      digits.pop_back();
      ++result.exponent;
    }
  }
  digits.resize(significant, '0');
  result.integer = digits.substr(0, section.integerPlaces);
  result.fraction = digits.substr(section.integerPlaces);
  return result;
}

void AppendIntegerDigits(std::string& out, std::string_view integer, std::size_t from, std::size_t to, bool grouping) {
  for (std::size_t i = from; i < to; ++i) {
    out.push_back(integer[i]);
    const std::size_t placesLeft = integer.size() - 1 - i;
    if (grouping && placesLeft > 0 && placesLeft % 3 == 0) out.push_back(',');
  }
}

// Integer digits fill the places from the right; the first place also takes every digit
// the pattern has no place for, so that a long number is never cut.
void AppendIntegerPlace(std::string& out, std::string_view integer, std::size_t place, const Section& section) {
  const std::size_t digitsBefore = integer.size() + place;
  if (digitsBefore < section.integerPlaces) return;
  const std::size_t own = digitsBefore - section.integerPlaces;
  AppendIntegerDigits(out, integer, place == 0 ? 0 : own, own + 1, section.grouping);
}

void AppendExponent(std::string& out, const Section& section, long exponent) {
  out.push_back(section.exponentLetter);
  if (exponent < 0) {
    out.push_back('-');
  } else if (section.exponentAlwaysSigned) {
    out.push_back('+');
  }
  const std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (digits.size() < section.exponentMinimumDigits) out.append(section.exponentMinimumDigits - digits.size(), '0');
  out.append(digits);
}

void AppendSection(std::string& out, const Section& section, const Digits& digits) {
  std::string integer = digits.integer;
  if (integer.size() < section.minimumIntegerDigits) integer.insert(0, section.minimumIntegerDigits - integer.size(), '0');
  const std::size_t lastNonZero = digits.fraction.find_last_not_of('0');
  const bool fractionShown = section.fractionHasZeroPlace || lastNonZero != std::string::npos;
  std::size_t integerPlace = 0;
  std::size_t fractionPlace = 0;
  bool inFraction = false;
  for (const Token& token : section.tokens) {
    switch (token.kind) {
      case TokenKind::Literal: out.append(token.literal); break;
      case TokenKind::ZeroPlace:
      case TokenKind::OptionalPlace:
        if (!inFraction) {
          AppendIntegerPlace(out, integer, integerPlace++, section);
        } else {
          const std::size_t place = fractionPlace++;
          const bool shown = token.kind == TokenKind::ZeroPlace || (lastNonZero != std::string::npos && place <= lastNonZero);
          if (shown) out.push_back(digits.fraction[place]);
        }
        break;
      case TokenKind::DecimalPoint:
        inFraction = true;
        // Without integer places the integer digits stand just before the point.
        if (section.integerPlaces == 0) AppendIntegerDigits(out, integer, 0, integer.size(), section.grouping);
        if (fractionShown) out.push_back('.');
        break;
      case TokenKind::Exponent: AppendExponent(out, section, digits.exponent); break;
    }
  }
}

}  // namespace

NumberPattern::NumberPattern(std::string_view pattern) {
  std::size_t pos = 0;
  // Positive, negative and zero numbers; anything after a third ";" has no number to write.
  do {
    sections_.push_back(CompileSection(LexSection(pattern, pos)));
  } while (pos < pattern.size() && sections_.size() < 3);
}

const NumberPattern::Section& NumberPattern::SectionFor(std::int32_t number, bool& writeMinus) const {
  writeMinus = false;
  if (number < 0) {
    if (sections_.size() >= 2 && !sections_[1].tokens.empty()) return sections_[1];
    writeMinus = true;
  } else if (number == 0 && sections_.size() >= 3 && !sections_[2].tokens.empty()) {
    return sections_[2];
  }
  return sections_[0];
}

std::string NumberPattern::Format(std::int32_t number) const {
  bool writeMinus = false;
  const Section& section = SectionFor(number, writeMinus);
  // Unsigned, so that the magnitude of -2147483648 fits.
  const std::uint32_t magnitude =
      number < 0 ? 0U - static_cast<std::uint32_t>(number) : static_cast<std::uint32_t>(number);
  std::string out = writeMinus ? "-" : "";
  if (section.tokens.empty()) {
    out.append(std::to_string(magnitude));
    return out;
  }
  std::string digits = MagnitudeDigits(magnitude, section.percentCount);
  const Digits written = section.hasExponent
                             ? ScientificDigits(std::move(digits), section)
                             : Digits{std::move(digits), std::string(section.fractionPlaces, '0'), 0};
  AppendSection(out, section, written);
  return out;
}

std::variant<NumberPattern::Frame, std::string> NumberPattern::ReadBack() const {
  if (sections_.size() > 1) return std::string("has sections");
  const Section& section = sections_.front();
  if (section.hasExponent) return std::string("writes an exponent");
  if (section.grouping) return std::string("groups digits");
  if (section.fractionPlaces > 0) return std::string("writes decimals");
  if (section.percentCount > 0) return std::string("multiplies by 100");
  if (section.tokens.empty()) return Frame{};
  if (section.integerPlaces == 0) return std::string("writes no number");
  Frame frame;
  bool placesBegun = false;
  bool placesEnded = false;
  for (const Token& token : section.tokens) {
    if (token.kind != TokenKind::Literal) {
      if (placesEnded) return std::string("writes text between its digits");
      placesBegun = true;
    } else if (token.literal.find_first_of("0123456789") != std::string::npos) {
      return std::string("writes digits of its own");
    } else {
      (placesBegun ? frame.after : frame.before).append(token.literal);
      placesEnded = placesBegun;
    }
  }
  return frame;
}

std::string FormatNumber(std::int32_t number, std::string_view pattern) { return NumberPattern(pattern).Format(number); }

}  // namespace tolvane
