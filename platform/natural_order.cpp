#include "platform/natural_order.h"

#include <algorithm>
#include <cstring>
#include <string>

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

// A digit run this long or longer ends a natural form; names that agree up to it tie there.
constexpr std::size_t kLongRun = 255;

// Feeds `sink` the natural form of `name`, byte by byte until the sink returns false: bytes
// whose plain order is NaturalLess's before its tie-break. A letter stands as its lower case.
// A digit run stands as '0' (against any other byte a digit compares as its own byte, and no
// other byte lies among the digits), then the length of its value without leading zeros, then
// that value's digits: a longer value sorts later and equal values compare equal.
template <typename Sink>
void FeedNaturalForm(std::string_view name, Sink sink) {
  std::size_t i = 0;
  while (i < name.size()) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (!IsDigit(c)) {
      if (!sink(FoldCase(c))) return;
      ++i;
      continue;
    }
    const std::size_t valueStart = SkipZeros(name, i);
    i = DigitRunEnd(name, valueStart);
    const std::size_t length = i - valueStart;
    if (!sink('0') || !sink(static_cast<unsigned char>(std::min(length, kLongRun))) || length >= kLongRun) return;
    for (const char digit : name.substr(valueStart, length)) {
      if (!sink(static_cast<unsigned char>(digit))) return;
    }
  }
}

// How many leading bytes of their natural forms all the names share.
std::size_t SharedFormLength(std::size_t count, const std::function<std::string_view(std::size_t)>& nameAt) {
  std::string first;
  FeedNaturalForm(nameAt(0), [&first](unsigned char byte) {
    first.push_back(static_cast<char>(byte));
    return true;
  });
  std::size_t shared = first.size();
  for (std::size_t i = 1; i < count && shared > 0; ++i) {
    std::size_t same = 0;
    FeedNaturalForm(nameAt(i), [&](unsigned char byte) {
      if (same == shared || static_cast<unsigned char>(first[same]) != byte) return false;
      ++same;
      return true;
    });
    shared = same;
  }
  return shared;
}

// The eight bytes of the natural form after the first `shared`, as a big-endian number, so
// that numbers compare as the forms do; a shorter form is padded with zero bytes.
std::uint64_t SortKey(std::string_view name, std::size_t shared) {
  std::uint64_t key = 0;
  std::size_t skipped = 0;
  std::size_t taken = 0;
  FeedNaturalForm(name, [&](unsigned char byte) {
    if (skipped < shared) {
      ++skipped;
      return true;
    }
    key = key << 8 | byte;
    return ++taken < sizeof key;
  });
  for (; taken < sizeof key; ++taken) key <<= 8;
  return key;
}

}  // namespace

NaturalOrder::NaturalOrder(std::size_t count, const std::function<std::string_view(std::size_t)>& nameAt) {
  if (count == 0) return;
  const std::size_t shared = SharedFormLength(count, nameAt);
  ranks_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) ranks_.push_back({SortKey(nameAt(i), shared), i});
  std::sort(ranks_.begin(), ranks_.end(), [&nameAt](const Rank& a, const Rank& b) {
    return a.key != b.key ? a.key < b.key : NaturalLess(nameAt(a.name), nameAt(b.name));
  });
}

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
