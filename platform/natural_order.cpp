#include "platform/natural_order.h"

#include <algorithm>
#include <cstring>

namespace tolvane {

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

unsigned char FoldCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c; }

std::size_t SkipZeros(std::string_view text, std::size_t pos) {
  while (pos < text.size() && text[pos] == '0') ++pos;
  return pos;
}

std::size_t DigitRunEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsDigit(static_cast<unsigned char>(text[pos]))) ++pos;
  return pos;
}

// Compares the digit runs at i and j by value, moving both past their runs. Values are
// compared as text (length without leading zeros, then digits) so no run is too long.
int CompareDigitRuns(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j) {
  const std::size_t aStart = SkipZeros(a, i);
  const std::size_t bStart = SkipZeros(b, j);
  i = DigitRunEnd(a, aStart);
  j = DigitRunEnd(b, bStart);
  const std::size_t aLength = i - aStart;
  const std::size_t bLength = j - bStart;
  if (aLength != bLength) return aLength < bLength ? -1 : 1;
  return aLength == 0 ? 0 : std::memcmp(a.data() + aStart, b.data() + bStart, aLength);
}

// Compares from `start` on by natural order only: 0 when the names differ at most in
// letter case and leading zeros.
int CompareNatural(std::string_view a, std::string_view b, std::size_t start) {
  std::size_t i = start;
  std::size_t j = start;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[j]);
    if (IsDigit(ca) && IsDigit(cb)) {
      if (const int order = CompareDigitRuns(a, i, b, j); order != 0) return order;
      continue;
    }
    // A digit against anything else compares as its byte: every digit falls on the same
    // side of any other byte, so a whole number does too.
    const unsigned char fa = FoldCase(ca);
    const unsigned char fb = FoldCase(cb);
    if (fa != fb) return fa < fb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  return j < b.size() ? -1 : 0;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  // Equal leading bytes are equal in natural order too; only a digit run cut by the
  // first difference must be compared from its start.
  const auto firstDifference = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first;
  std::size_t start = static_cast<std::size_t>(firstDifference - a.begin());
  if (start == a.size() && start == b.size()) return false;
  while (start > 0 && IsDigit(static_cast<unsigned char>(a[start - 1]))) --start;
  const int order = CompareNatural(a, b, start);
  if (order != 0) return order < 0;
  return a < b;
}

}  // namespace tolvane
