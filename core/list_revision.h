#pragma once

#include <atomic>
#include <cstdint>

namespace tolvane {

// A stamp of one state of a list's names and order. Every change leads to a stamp that no
// list of the process has had, so two equal stamps mean the same entries in the same order,
// even when one list was assigned from another. A list whose entries were moved away takes a
// new one.
class ListRevision {
 public:
  ListRevision() = default;
  // A copy holds the same entries.
  ListRevision(const ListRevision&) = default;
  ListRevision& operator=(const ListRevision&) = default;
  ListRevision(ListRevision&& other) noexcept : stamp_(other.Stamp()) { other.Advance(); }
  ListRevision& operator=(ListRevision&& other) noexcept {
    stamp_ = other.Stamp();
    changed_ = false;
    other.Advance();
    return *this;
  }

  // Notes a change. The new stamp is drawn when next asked for, so that a change of each of a
  // million entries costs a store each, not a million draws.
  void Advance() { changed_ = true; }

  std::uint64_t Stamp() const {
    if (changed_) {
      stamp_ = Next();
      changed_ = false;
    }
    return stamp_;
  }

 private:
  static std::uint64_t Next() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
  }

  mutable std::uint64_t stamp_ = Next();
  mutable bool changed_ = false;
};

}  // namespace tolvane
