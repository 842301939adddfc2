#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/huge_page_allocator.h"

namespace tolvane {

// The arrays of a check of a million names take tens of megabytes, whose first touch is slow;
// from 8 MiB on they go on large pages, where whole pages waste little of them.
template <typename T>
using LargeTableAllocator = HugePageAllocator<T, std::size_t{8} << 20>;

// Keys are four bytes, and one value of them is left for "none".
inline constexpr std::size_t kMaxNamesInTable = std::numeric_limits<std::uint32_t>::max() - 1;

// Finds a batch's names by their bytes. A commit of a million files looks names up millions
// of times, and holds its table at the moment its memory peaks; a node-based map spends there
// most of the commit's time beyond the kernel's, and a table of views twice the room. This
// table keeps in one array of slots only the key its owner knows each name by, with part of
// the name's hash, and asks the owner for a name's bytes when a look-up needs them: a look-up
// mostly touches one slot and one name. Names are never copied.
// `NameOf` turns a key into the name's bytes: std::string_view(Key).
template <typename NameOf>
class NameTable {
 public:
  using Key = std::uint32_t;

  // Holds at most `maxNames` names, so that its slots are never more than two in three taken.
  NameTable(std::size_t maxNames, NameOf nameOf) : nameOf_(std::move(nameOf)), maxNames_(maxNames) {
    if (maxNames > kMaxNamesInTable) throw Error::Overflow();
    slots_.assign(SlotCountFor(maxNames), kEmpty);
  }

  // A name with its hash, whose first slot is on its way into the cache: a table of a million
  // names is far larger than the cache, so a loop over many names that prepares each some
  // names before it looks it up waits for memory once for many look-ups.
  struct Prepared {
    std::string_view name;
    std::size_t hash;
  };
  Prepared Prepare(std::string_view name) const {
    const std::size_t hash = HashOf(name);
    __builtin_prefetch(&slots_[hash % slots_.size()]);
    return {name, hash};
  }

  // The key that `name` was first added under; a new name is added under `key`, which must
  // be below kMaxNamesInTable and give `name` back through NameOf.
  Key Add(std::string_view name, Key key) { return Add(Prepare(name), key); }
  Key Add(const Prepared& name, Key key) {
    const std::size_t slot = SlotOf(name.name, name.hash);
    if (slots_[slot] != kEmpty) return KeyIn(slots_[slot]);
    if (names_ == maxNames_) throw Error::Overflow();
    ++names_;
    slots_[slot] = SlotFor(name.hash, key);
    return key;
  }

  std::optional<Key> Find(std::string_view name) const { return Find(Prepare(name)); }
  std::optional<Key> Find(const Prepared& name) const {
    const Slot content = slots_[SlotOf(name.name, name.hash)];
    if (content == kEmpty) return std::nullopt;
    return KeyIn(content);
  }

 private:
  // A slot holds the high half of its name's hash and its key plus one; 0 is empty.
  using Slot = std::uint64_t;
  static constexpr Slot kEmpty = 0;

  static std::size_t HashOf(std::string_view name) { return std::hash<std::string_view>{}(name); }
  static std::uint32_t TagOf(std::size_t hash) { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32); }
  static Slot SlotFor(std::size_t hash, Key key) { return (static_cast<Slot>(TagOf(hash)) << 32) | (Slot{key} + 1); }
  static Key KeyIn(Slot slot) { return static_cast<Key>(slot) - 1; }

  // At most two slots in three are ever taken, so that a look-up rarely probes more than a
  // few neighbouring slots; any count of slots will do, so the table is no larger than that.
  static std::size_t SlotCountFor(std::size_t names) { return std::max<std::size_t>(16, names + names / 2 + 1); }

  // The slot that holds `name`, or the empty slot where it would go.
  std::size_t SlotOf(std::string_view name, std::size_t hash) const {
    const std::size_t count = slots_.size();
    for (std::size_t slot = hash % count;; slot = slot + 1 == count ? 0 : slot + 1) {
      const Slot content = slots_[slot];
      if (content == kEmpty) return slot;
      if (static_cast<std::uint32_t>(content >> 32) == TagOf(hash) && nameOf_(KeyIn(content)) == name) return slot;
    }
  }

  NameOf nameOf_;
  std::size_t maxNames_;
  std::size_t names_ = 0;
  std::vector<Slot, LargeTableAllocator<Slot>> slots_;
};

}  // namespace tolvane
