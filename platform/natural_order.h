#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/huge_page_allocator.h"

namespace tolvane {

// The order a file manager shows names in: runs of digits compare by their value, letters
// without regard to case ("IMG_2" < "IMG_10", "a" < "B"); ties are broken by byte order, so
// the order is total.
bool NaturalLess(std::string_view a, std::string_view b);

// A whole folder of names in NaturalLess order. Walking two names for every comparison is
// what makes sorting a million of them slow, so names are sorted by numbers made of a few
// bytes at a time of a form whose byte order is the natural order, starting past the bytes
// every name shares; comparisons are then comparisons of numbers.
class NaturalOrder {
 public:
  // `nameAt(i)` is the i-th of `count` names; it is only called while this sorts.
  NaturalOrder(std::size_t count, const std::function<std::string_view(std::size_t)>& nameAt);

  std::size_t size() const { return ranks_.size(); }
  // Which of the names comes `i`-th in natural order.
  std::size_t operator[](std::size_t i) const { return ranks_[i].name; }

 private:
  struct Rank {
    std::uint64_t key;
    std::size_t name;
  };
  void Sort(const std::function<std::string_view(std::size_t)>& nameAt, std::size_t shared);

  std::vector<Rank, HugePageAllocator<Rank>> ranks_;
};

}  // namespace tolvane
