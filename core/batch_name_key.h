#pragma once

#include <cstddef>
#include <cstdint>

#include "core/name_table.h"
#include "core/rename_list.h"

namespace tolvane {

// Which of an entry's two names: the one its file has, or the one the preview gives it.
enum class NameRole : std::uint32_t { Old = 0, New = 1 };

// The key a batch knows one of its names by. Every list position has two keys side by side,
// its old name's (even) and then its new name's (odd), so that keys run in list order and a
// key alone tells whose name it is and which. Four bytes, as the name table keeps its keys,
// and an index into any table the batch keeps by key.
class BatchNameKey {
 public:
  constexpr BatchNameKey(RenameList::Position position, NameRole role)
      : index_(static_cast<std::uint32_t>(2 * (position - 1)) + static_cast<std::uint32_t>(role)) {}
  // The key whose index the name table gave back.
  static constexpr BatchNameKey AtIndex(std::uint32_t index) { return BatchNameKey(index); }

  constexpr std::uint32_t Index() const { return index_; }
  constexpr RenameList::Position Position() const { return index_ / 2 + 1; }
  constexpr NameRole Role() const { return static_cast<NameRole>(index_ % 2); }

  bool operator==(const BatchNameKey&) const = default;

  // How many keys a list of `entries` has, and so the length of a table by key; Overflow
  // past what four bytes count.
  static std::size_t CountFor(RenameList::Position entries) {
    if (entries > kMaxNamesInTable / 2) throw Error::Overflow();
    return 2 * entries;
  }

 private:
  explicit constexpr BatchNameKey(std::uint32_t index) : index_(index) {}

  std::uint32_t index_;
};

static_assert(sizeof(BatchNameKey) == sizeof(std::uint32_t), "a key takes no more room than the name table's");

}  // namespace tolvane
