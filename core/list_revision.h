#pragma once

#include <atomic>
#include <cstdint>

namespace tolvane {

// A stamp of one state of a list's names and order. Every change takes a stamp that no list
// of the process has had, so two equal stamps mean the same entries in the same order, even
// when one list was assigned from another. A list whose entries were moved away takes a new one.
class ListRevision {
 public:
  ListRevision() : stamp_(Next()) {}
  // A copy holds the same entries.
  ListRevision(const ListRevision&) = default;
  ListRevision& operator=(const ListRevision&) = default;
  ListRevision(ListRevision&& other) noexcept : stamp_(other.stamp_) { other.Advance(); }
  ListRevision& operator=(ListRevision&& other) noexcept {
    stamp_ = other.stamp_;
    other.Advance();
    return *this;
  }

  void Advance() { stamp_ = Next(); }
  friend bool operator==(const ListRevision&, const ListRevision&) = default;

 private:
  static std::uint64_t Next() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
  }

  std::uint64_t stamp_;
};

}  // namespace tolvane
