#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace tolvane {

// What a batch knows about each of its names, found by the name. A commit of a million files
// looks names up some five million times; a node-based map spends there most of the commit's
// time beyond the kernel's, allocating nodes and chasing them through memory. This table
// keeps its slots in one array, each with part of its name's hash, so that a look-up mostly
// touches one slot and one value, and its values in another, in the order they came.
// It holds at most the number of names it was made for, so that a value never moves: a
// reference to it stays good while other names come. Names are viewed, never copied, and
// must outlive the table.
template <typename Value>
class NameTable {
 public:
  explicit NameTable(std::size_t maxNames) : slots_(SlotCountFor(maxNames), kEmpty) {
    if (maxNames > kMaxNames) throw Error::Overflow();
    // Reserved memory that is never reached costs no resident memory.
    values_.reserve(maxNames);
  }

  // The value of `name`, made as Value{} when the name is new.
  Value& operator[](std::string_view name) {
    const std::size_t hash = HashOf(name);
    const std::size_t slot = SlotOf(name, hash);
    if (slots_[slot] != kEmpty) return values_[IndexIn(slots_[slot])].second;
    if (values_.size() == values_.capacity()) throw Error::Overflow();
    slots_[slot] = SlotFor(hash, values_.size());
    return values_.emplace_back(name, Value{}).second;
  }

  bool Contains(std::string_view name) const { return slots_[SlotOf(name, HashOf(name))] != kEmpty; }

 private:
  // A slot holds the high half of its name's hash and its value's index plus one; 0 is empty.
  using Slot = std::uint64_t;
  static constexpr Slot kEmpty = 0;
  static constexpr std::size_t kMaxNames = std::numeric_limits<std::uint32_t>::max() - 1;

  static std::size_t HashOf(std::string_view name) { return std::hash<std::string_view>{}(name); }
  static std::uint32_t TagOf(std::size_t hash) { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32); }
  static Slot SlotFor(std::size_t hash, std::size_t index) {
    return (static_cast<Slot>(TagOf(hash)) << 32) | static_cast<Slot>(index + 1);
  }
  static std::size_t IndexIn(Slot slot) { return static_cast<std::size_t>(static_cast<std::uint32_t>(slot)) - 1; }

  // At most three slots in four are ever taken, and a batch mostly fills far fewer than the
  // names it may hold, so that a look-up rarely probes more than a slot or two.
  static std::size_t SlotCountFor(std::size_t names) {
    std::size_t count = 16;
    while (3 * count < 4 * names) count *= 2;
    return count;
  }

  // The slot that holds `name`, or the empty slot where it would go.
  std::size_t SlotOf(std::string_view name, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const Slot content = slots_[slot];
      if (content == kEmpty) return slot;
      if (static_cast<std::uint32_t>(content >> 32) == TagOf(hash) && values_[IndexIn(content)].first == name) return slot;
    }
  }

  std::vector<Slot> slots_;
  std::vector<std::pair<std::string_view, Value>> values_;
};

}  // namespace tolvane
