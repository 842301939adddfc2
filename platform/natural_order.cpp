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

// How many bytes of the natural form one sort key holds.
constexpr std::size_t kKeyFormBytes = 7;
// The last byte of a key whose form goes on past it; it is 0 for a form that ends in the key.
constexpr std::uint64_t kFormGoesOn = 1;

// Seven bytes of the natural form from `offset` on, as a big-endian number, so that numbers
// compare as the forms do; a form that ends sooner is padded with zero bytes. The last byte
// tells whether the form goes on, so that a form that stops there comes before the longer
// ones it begins.
std::uint64_t SortKey(std::string_view name, std::size_t offset) {
  std::uint64_t key = 0;
  std::size_t skipped = 0;
  std::size_t taken = 0;
  bool goesOn = false;
  FeedNaturalForm(name, [&](unsigned char byte) {
    if (skipped < offset) {
      ++skipped;
      return true;
    }
    if (taken == kKeyFormBytes) {
      goesOn = true;
      return false;
    }
    key = key << 8 | byte;
    ++taken;
    return true;
  });
  for (; taken < kKeyFormBytes; ++taken) key <<= 8;
  return key << 8 | (goesOn ? kFormGoesOn : 0);
}

}  // namespace

NaturalOrder::NaturalOrder(std::size_t count, const std::function<std::string_view(std::size_t)>& nameAt) {
  if (count == 0) return;
  ranks_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) ranks_.push_back({0, i});
  Sort(nameAt, SharedFormLength(count, nameAt));
}

void NaturalOrder::Sort(const std::function<std::string_view(std::size_t)>& nameAt, std::size_t shared) {
  // Names whose keys tie are sorted again by the next bytes of their forms, as long as the
  // forms go on, so that names alike for a long way (dates, long prefixes) still compare as
  // numbers. Where forms end with equal keys, the names differ only in case, in leading
  // zeros or in zero bytes against padding, and NaturalLess decides.
  struct Tie {
    std::size_t begin;
    std::size_t end;
    std::size_t offset;
  };
  const auto at = [this](std::size_t i) { return ranks_.begin() + static_cast<std::ptrdiff_t>(i); };
  std::vector<Tie> ties{{0, ranks_.size(), shared}};
  while (!ties.empty()) {
    const Tie tie = ties.back();
    ties.pop_back();
    for (auto rank = at(tie.begin); rank != at(tie.end); ++rank) rank->key = SortKey(nameAt(rank->name), tie.offset);
    std::sort(at(tie.begin), at(tie.end), [](const Rank& a, const Rank& b) { return a.key < b.key; });
    for (std::size_t begin = tie.begin; begin < tie.end;) {
      const std::uint64_t key = ranks_[begin].key;
      std::size_t end = begin + 1;
      while (end < tie.end && ranks_[end].key == key) ++end;
      if (end - begin > 1 && (key & 0xFF) == kFormGoesOn) {
        ties.push_back({begin, end, tie.offset + kKeyFormBytes});
      } else if (end - begin > 1) {
        std::sort(at(begin), at(end), [&nameAt](const Rank& a, const Rank& b) { return NaturalLess(nameAt(a.name), nameAt(b.name)); });
      }
      begin = end;
    }
  }
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
