#include "core/rename_list.h"

#include <algorithm>
#include <utility>

#include "platform/file_enumeration.h"
#include "platform/path.h"

namespace tolvane {

std::size_t RenameList::IndexOf(Position position) const {
  if (position < 1 || position > entries_.size()) {
    throw Error(ErrorNumber::SubscriptOutOfRange, "Subscript out of range: no entry at position " + std::to_string(position));
  }
  return position - 1;
}

RenameEntry& RenameList::Item(Position position) {
  RenameEntry& entry = entries_[IndexOf(position)];
  revision_.Advance();
  return entry;
}

const RenameEntry& RenameList::Item(Position position) const { return entries_[IndexOf(position)]; }

RenameEntry& RenameList::Add(std::string text) {
  revision_.Advance();
  entries_.emplace_back(std::move(text));
  return entries_.back();
}

RenameEntry& RenameList::Add(RenameEntry entry) {
  revision_.Advance();
  return entries_.emplace_back(std::move(entry));
}

RenameEntry& RenameList::Add(Position position, std::string text) {
  if (position == entries_.size() + 1) return Add(std::move(text));
  const std::size_t index = IndexOf(position);
  revision_.Advance();
  if (current_ && *current_ >= position) ++*current_;
  return *entries_.emplace(entries_.begin() + static_cast<std::ptrdiff_t>(index), std::move(text));
}

void RenameList::Remove(Position position) {
  const std::size_t index = IndexOf(position);
  revision_.Advance();
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  if (!current_) return;
  if (*current_ > position) {
    --*current_;
  } else if (*current_ == position && position > entries_.size()) {
    // The entry that now stands at the removed position becomes current; past the end there is none.
    current_.reset();
  }
}

void RenameList::Clear() {
  revision_.Advance();
  entries_.clear();
  current_.reset();
}

void RenameList::SetSelected(Position position, bool selected) {
  entries_[IndexOf(position)].selected_ = selected;
  if (selected) current_ = position;
}

void RenameList::SetCurrent(std::optional<Position> position) {
  if (position) IndexOf(*position);
  current_ = position;
}

void RenameList::LoadFolder(FileSystem& files, const std::string& folderPath) {
  // A folder that cannot be read leaves the list empty.
  Clear();
  LoadFolderItems(files.ReadFolder(folderPath + kPathSeparator));
}

void RenameList::LoadFolderItems(const std::vector<FolderItem>& folderItems) {
  Clear();
  const FileEnumeration enumeration(folderItems);
  entries_.reserve(enumeration.Count());
  for (std::size_t i = 0; i < enumeration.Count(); ++i) Add(enumeration.Name(i));
}

void RenameList::RemoveSelected() {
  // One pass that keeps the unselected entries in order gives the same list as removing the
  // selected ones from the end to the start, in linear time. A removed current entry hands
  // over to the first entry after it that stays, as repeated removals at its position would.
  std::optional<std::size_t> survivorIndex;
  if (current_) {
    const auto first = entries_.begin() + static_cast<std::ptrdiff_t>(*current_ - 1);
    const auto stays = std::find_if(first, entries_.end(), [](const RenameEntry& e) { return !e.selected_; });
    if (stays != entries_.end()) survivorIndex = static_cast<std::size_t>(stays - entries_.begin());
  }
  revision_.Advance();
  std::optional<Position> newCurrent;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].selected_) continue;
    if (survivorIndex == i) newCurrent = kept + 1;
    if (kept != i) entries_[kept] = std::move(entries_[i]);
    ++kept;
  }
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(kept), entries_.end());
  current_ = newCurrent;
}

void RenameList::MoveSelectedUp() {
  if (!current_ || *current_ <= 1) return;
  MoveCurrentTo(*current_ - 1);
}

void RenameList::MoveSelectedDown() {
  if (!current_ || *current_ >= Count()) return;
  MoveCurrentTo(*current_ + 1);
}

void RenameList::MoveCurrentTo(Position target) {
  // A move inserts a copy of the current entry (text, tag and sub-items) beside its neighbour,
  // removes the original and selects the copy. The neighbour keeps its own selection, so
  // swapping the two entries and selecting the moved one gives the same list without shifting
  // the entries that follow.
  revision_.Advance();
  std::swap(entries_[*current_ - 1], entries_[target - 1]);
  SetSelected(target, true);
}

void RenameList::CheckOrder(const ListOrder& order) const {
  if (order.size() != entries_.size()) {
    throw Error(ErrorNumber::SubscriptOutOfRange, "Subscript out of range: an order of " + std::to_string(order.size()) +
                                                      " entries for " + std::to_string(entries_.size()));
  }
  std::vector<bool> named(order.size());
  for (const std::size_t from : order) {
    if (from >= order.size() || named[from]) {
      throw Error(ErrorNumber::SubscriptOutOfRange, "Subscript out of range: an order names an entry twice or none");
    }
    named[from] = true;
  }
}

std::optional<RenameList::Position> RenameList::CurrentAfter(const ListOrder& order) const {
  for (std::size_t k = 0; k < order.size() && current_; ++k) {
    if (order[k] == *current_ - 1) return k + 1;
  }
  return std::nullopt;
}

RenameList RenameList::Arranged(const ListOrder& order) const {
  CheckOrder(order);
  RenameList arranged;
  arranged.entries_.reserve(order.size());
  for (const std::size_t from : order) arranged.entries_.push_back(entries_[from]);
  arranged.current_ = CurrentAfter(order);
  return arranged;
}

void RenameList::Arrange(const ListOrder& order) {
  CheckOrder(order);
  const std::optional<Position> newCurrent = CurrentAfter(order);
  if (std::is_sorted(order.begin(), order.end())) return;
  revision_.Advance();
  // The entries move in place, along the cycles of the order, with no second array.
  std::vector<bool> placed(order.size());
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (placed[start]) continue;
    RenameEntry moving = std::move(entries_[start]);
    std::size_t place = start;
    while (order[place] != start) {
      const std::size_t from = order[place];
      entries_[place] = std::move(entries_[from]);
      placed[place] = true;
      place = from;
    }
    entries_[place] = std::move(moving);
    placed[place] = true;
  }
  current_ = newCurrent;
}

void RenameList::MoveSelectedRowsUp() {
  // Each selected entry passes the unselected one above it; a run of selected entries moves
  // as one, and a run at the top has nothing above it to pass.
  ListOrder order = UnchangedOrder(entries_.size());
  for (std::size_t i = 1; i < order.size(); ++i) {
    if (entries_[order[i]].selected_ && !entries_[order[i - 1]].selected_) std::swap(order[i], order[i - 1]);
  }
  Arrange(order);
}

void RenameList::MoveSelectedRowsDown() {
  ListOrder order = UnchangedOrder(entries_.size());
  for (std::size_t i = order.size(); i-- > 1;) {
    if (entries_[order[i - 1]].selected_ && !entries_[order[i]].selected_) std::swap(order[i], order[i - 1]);
  }
  Arrange(order);
}

void RenameList::MoveSelectedRowsTo(Position position) {
  if (position < 1 || position > entries_.size() + 1) IndexOf(position);
  // The unselected entries above the place, then the selected ones, then the rest.
  const std::size_t place = position - 1;
  ListOrder order;
  order.reserve(entries_.size());
  for (std::size_t i = 0; i < place; ++i) {
    if (!entries_[i].selected_) order.push_back(i);
  }
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].selected_) order.push_back(i);
  }
  for (std::size_t i = place; i < entries_.size(); ++i) {
    if (!entries_[i].selected_) order.push_back(i);
  }
  Arrange(order);
}

}  // namespace tolvane
