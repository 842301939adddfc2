#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tolvane {

// A numeric pattern read once, so that a preview can write a million numbers after it
// without reading the pattern a million times. The pattern language is described in the
// README. A pattern is never rejected.
class NumberPattern {
 public:
  explicit NumberPattern(std::string_view pattern);

  std::string Format(std::int32_t number) const;

  // The text a pattern writes before and after the digits of a number.
  struct Frame {
    std::string before;
    std::string after;
  };
  // How a number written after the pattern is read back from a name: its frame, or why its
  // digits cannot be told (in words that follow "it ...": "has sections").
  std::variant<Frame, std::string> ReadBack() const;

  enum class TokenKind : unsigned char { Literal, ZeroPlace, OptionalPlace, DecimalPoint, Exponent };
  struct Token {
    TokenKind kind;
    std::string literal;  // the text of a Literal
  };
  // One of the sections for positive, negative and zero numbers.
  struct Section {
    std::vector<Token> tokens;  // in pattern order; the exponent's own digit places are folded into it
    std::size_t integerPlaces = 0;
    std::size_t minimumIntegerDigits = 0;  // the places from the first "0" before the decimal point on
    std::size_t fractionPlaces = 0;
    std::size_t percentCount = 0;
    bool grouping = false;
    bool fractionHasZeroPlace = false;
    bool hasExponent = false;
    char exponentLetter = 'E';
    bool exponentAlwaysSigned = false;
    std::size_t exponentMinimumDigits = 0;
  };

 private:
  const Section& SectionFor(std::int32_t number, bool& writeMinus) const;

  std::vector<Section> sections_;
};

// Writes a signed 32-bit number after a numeric pattern ("00", "#,##0", "Pic-000;(0)").
std::string FormatNumber(std::int32_t number, std::string_view pattern);

}  // namespace tolvane
