#include "core/batch_names.h"

#include <algorithm>
#include <array>
#include <future>
#include <unordered_set>

#include "core/case_fold.h"
#include "core/rename_order.h"

namespace tolvane {

namespace {

// Where an entry outside the batch has no name to look up.
constexpr BatchNameKey kNoKey = BatchNameKey::AtIndex(static_cast<std::uint32_t>(-1));

std::size_t KeysFor(const RenameList& list) { return BatchNameKey::CountFor(list.Count()); }

}  // namespace

std::string_view BatchNames::NameOfKey::operator()(BatchNameKey key) const {
  if (!folded->empty()) return (*folded)[key.Index()];
  const RenameEntry& entry = list->Item(key.Position());
  return key.Role() == NameRole::Old ? entry.Tag : entry.Text;
}

BatchNames::BatchNames(const RenameList& list, const std::vector<FolderItem>& folderItems, const VolumeRules& rules,
                       OpenedFolder* folder)
    : list_(&list),
      rules_(rules),
      folder_(folder),
      table_(KeysFor(list), NameOfKey{&list, &foldedNames_}),
      oldNames_(list.Count(), kNoKey),
      newNames_(list.Count(), kNoKey),
      oldItems_(list.Count(), kNotListed),
      facts_(KeysFor(list)) {
  if (rules_.foldsCase) FoldNames();
  // Every old name is added before any new name, so that a name that is some entry's old
  // name is known by an old name's key: the key tells which entry leaves it.
  AddNames(NameRole::Old, oldNames_);
  AddNames(NameRole::New, newNames_);
  MarkFolderItems(folderItems);
  if (rules_.foldsCase && folder_) AskVolumeForNewNames();
}

void BatchNames::FoldNames() {
  foldedNames_.resize(KeysFor(*list_));
  for (RenameList::Position position = 1; position <= list_->Count(); ++position) {
    const RenameEntry& entry = list_->Item(position);
    if (!IsPreviewed(entry)) continue;
    foldedNames_[BatchNameKey(position, NameRole::Old).Index()] = FoldCase(entry.Tag, rules_.caseTable);
    foldedNames_[BatchNameKey(position, NameRole::New).Index()] = FoldCase(entry.Text, rules_.caseTable);
  }
}

std::string_view BatchNames::LookupForm(std::string_view name, std::string& folded) const {
  if (!rules_.foldsCase) return name;
  folded = FoldCase(name, rules_.caseTable);
  return folded;
}

// A new name that no item holds as the batch compares names may still be one the volume
// answers to; only the kernel knows, and only for names it is asked.
void BatchNames::AskVolumeForNewNames() {
  for (RenameList::Position position = 1; position <= list_->Count(); ++position) {
    const RenameEntry& entry = list_->Item(position);
    if (!ChangesName(entry)) continue;
    NameFacts& facts = FactsOf(newNames_[position - 1]);
    if (!facts.inFolder && folder_->Holds(entry.Text)) facts.heldOnVolume = true;
  }
}

void BatchNames::AddNames(NameRole role, std::vector<BatchNameKey>& firstKeys) {
  const NameOfKey nameOf{list_, &foldedNames_};
  const auto nameAt = [&](std::size_t index) -> std::string_view {
    return nameOf(BatchNameKey(static_cast<RenameList::Position>(index + 1), role));
  };
  VisitPrepared(0, list_->Count(), nameAt, [&](std::size_t index, const Table::Prepared& name) {
    const auto position = static_cast<RenameList::Position>(index + 1);
    if (!IsPreviewed(list_->Item(position))) return;
    const BatchNameKey own(position, role);
    const BatchNameKey first = Add(name, own);
    firstKeys[index] = first;
    NoteUse(FactsOf(first), own);
  });
}

template <typename NameAt, typename Visit>
void BatchNames::VisitPrepared(std::size_t first, std::size_t end, const NameAt& nameAt, const Visit& visit) const {
  std::array<Table::Prepared, kLookAhead> ahead;
  for (std::size_t index = first; index < std::min(end, first + kLookAhead); ++index) {
    ahead[index % kLookAhead] = table_.Prepare(nameAt(index));
  }
  for (std::size_t index = first; index < end; ++index) {
    visit(index, ahead[index % kLookAhead]);
    // Prepared after the visit, since the name may live in storage the visited one used.
    if (index + kLookAhead < end) ahead[index % kLookAhead] = table_.Prepare(nameAt(index + kLookAhead));
  }
}

void BatchNames::NoteUse(NameFacts& facts, BatchNameKey use) const {
  if (use.Role() == NameRole::New) return facts.asNewName.Add();
  facts.asOldName.Add();
  if (ChangesName(list_->Item(use.Position()))) facts.movedAway = true;
}

void BatchNames::MarkFolderItems(const std::vector<FolderItem>& folderItems) {
  // Where the volume keeps case, two items are never one name of the table, so the halves of a
  // large folder touch no fact in common and are marked side by side: a preview's check of a
  // million files spends most of its time waiting for memory here.
  const std::size_t count = folderItems.size();
  if (rules_.foldsCase || count < kItemsWorthASecondThread) return MarkItems(folderItems, 0, count, temporaryLookalikes_);
  std::unordered_set<std::string> secondLookalikes;
  // Waited for however the first half ends; get() raises what the second half raised.
  std::future<void> second = std::async(std::launch::async, [&] {
    MarkItems(folderItems, count / 2, count, secondLookalikes);
  });
  MarkItems(folderItems, 0, count / 2, temporaryLookalikes_);
  second.get();
  temporaryLookalikes_.merge(secondLookalikes);
}

void BatchNames::MarkItems(const std::vector<FolderItem>& folderItems, std::size_t first, std::size_t end,
                           std::unordered_set<std::string>& temporaryLookalikes) {
  // Each name looked up keeps its folded form until its visit.
  std::array<std::string, kLookAhead> folded;
  const auto nameAt = [&](std::size_t place) {
    return LookupForm(folderItems[place].name, folded[place % kLookAhead]);
  };
  VisitPrepared(first, end, nameAt, [&](std::size_t place, const Table::Prepared& name) {
    const FolderItem& item = folderItems[place];
    if (const auto key = Find(name)) {
      NameFacts& facts = FactsOf(*key);
      facts.inFolder = true;
      facts.fileInFolder = item.kind == FolderItemKind::File;
      // Old names come first in the table, so an old name's key tells whose file this is.
      if (key->Role() == NameRole::Old) oldItems_[key->Position() - 1] = static_cast<std::uint32_t>(place);
    } else if (name.name.starts_with(kTemporaryPrefix)) {
      temporaryLookalikes.emplace(name.name);
    }
  });
}

MoveLinks BatchNames::LinkMoves() const {
  std::vector<std::uint32_t> moveAt(list_->Count(), MoveLinks::kNone);
  std::uint32_t moves = 0;
  for (RenameList::Position position = 1; position <= list_->Count(); ++position) {
    if (ChangesName(list_->Item(position))) moveAt[position - 1] = moves++;
  }
  MoveLinks links{std::vector<std::uint32_t>(moves, MoveLinks::kNone), std::vector<bool>(moves, false)};
  for (RenameList::Position position = 1; position <= list_->Count(); ++position) {
    const std::uint32_t move = moveAt[position - 1];
    if (move == MoveLinks::kNone) continue;
    const BatchNameKey newName = newNames_[position - 1];
    links.newNameFree[move] = !FactsOf(newName).movedAway;
    if (newName.Role() != NameRole::Old) continue;
    const std::uint32_t leaving = moveAt[newName.Position() - 1];
    if (leaving != MoveLinks::kNone) links.waitingBehind[leaving] = move;
  }
  return links;
}

bool BatchNames::Taken(std::string_view name) const {
  std::string folded;
  const std::string_view form = LookupForm(name, folded);
  if (const auto key = Find(form)) return FactsOf(*key).inFolder || !FactsOf(*key).asNewName.None();
  if (temporaryLookalikes_.contains(std::string(form))) return true;
  return rules_.foldsCase && folder_ && folder_->Holds(name);
}

}  // namespace tolvane
