#include "core/batch_names.h"

#include "core/case_fold.h"
#include "core/rename_order.h"

namespace tolvane {

namespace {

constexpr std::uint32_t kNoKey = static_cast<std::uint32_t>(-1);

// Two keys to an entry.
std::size_t KeysFor(const RenameList& list) {
  if (list.Count() > kMaxNamesInTable / 2) throw Error::Overflow();
  return 2 * list.Count();
}

}  // namespace

std::string_view BatchNames::NameOfKey::operator()(Key key) const {
  if (!folded->empty()) return (*folded)[key];
  const RenameEntry& entry = list->Item(PositionOf(key));
  return IsOldNameKey(key) ? entry.Tag : entry.Text;
}

BatchNames::BatchNames(const RenameList& list, const std::vector<FolderItem>& folderItems, const VolumeRules& rules,
                       OpenedFolder* folder)
    : list_(&list),
      rules_(rules),
      folder_(folder),
      table_(KeysFor(list), NameOfKey{&list, &foldedNames_}),
      oldNames_(list.Count(), kNoKey),
      newNames_(list.Count(), kNoKey),
      facts_(KeysFor(list)) {
  if (rules_.foldsCase) FoldNames();
  // Every old name is added before any new name, so that a name that is some entry's old
  // name is known by an old name's key: the key tells which entry leaves it.
  AddNames(kOldName, oldNames_);
  AddNames(kNewName, newNames_);
  MarkFolderItems(folderItems);
  if (rules_.foldsCase && folder_) AskVolumeForNewNames();
}

void BatchNames::FoldNames() {
  foldedNames_.resize(KeysFor(*list_));
  for (RenameList::Position position = 1; position <= list_->Count(); ++position) {
    const RenameEntry& entry = list_->Item(position);
    if (!IsPreviewed(entry)) continue;
    foldedNames_[KeyOf(position, kOldName)] = FoldCase(entry.Tag);
    foldedNames_[KeyOf(position, kNewName)] = FoldCase(entry.Text);
  }
}

std::string_view BatchNames::LookupForm(std::string_view name, std::string& folded) const {
  if (!rules_.foldsCase) return name;
  folded = FoldCase(name);
  return folded;
}

// A new name that no item holds as the batch compares names may still be one the volume
// answers to; only the kernel knows, and only for names it is asked.
void BatchNames::AskVolumeForNewNames() {
  for (RenameList::Position position = 1; position <= list_->Count(); ++position) {
    const RenameEntry& entry = list_->Item(position);
    if (!ChangesName(entry)) continue;
    NameFacts& facts = facts_[newNames_[position - 1]];
    if (!facts.inFolder && folder_->Holds(entry.Text)) facts.heldOnVolume = true;
  }
}

void BatchNames::AddNames(Key role, std::vector<Key>& firstKeys) {
  const NameOfKey nameOf{list_, &foldedNames_};
  for (RenameList::Position position = 1; position <= list_->Count(); ++position) {
    if (!IsPreviewed(list_->Item(position))) continue;
    const Key own = KeyOf(position, role);
    const Key first = table_.Add(nameOf(own), own);
    firstKeys[position - 1] = first;
    NoteUse(facts_[first], own);
  }
}

void BatchNames::NoteUse(NameFacts& facts, Key use) const {
  if (!IsOldNameKey(use)) return facts.asNewName.Add();
  facts.asOldName.Add();
  if (ChangesName(list_->Item(PositionOf(use)))) facts.movedAway = true;
}

void BatchNames::MarkFolderItems(const std::vector<FolderItem>& folderItems) {
  std::string folded;
  for (const FolderItem& item : folderItems) {
    const std::string_view name = LookupForm(item.name, folded);
    if (const auto key = table_.Find(name)) {
      facts_[*key].inFolder = true;
      facts_[*key].fileInFolder = item.kind == FolderItemKind::File;
    } else if (name.starts_with(kTemporaryPrefix)) {
      temporaryLookalikes_.emplace(name);
    }
  }
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
    const Key newName = newNames_[position - 1];
    links.newNameFree[move] = !facts_[newName].movedAway;
    if (!IsOldNameKey(newName)) continue;
    const std::uint32_t leaving = moveAt[PositionOf(newName) - 1];
    if (leaving != MoveLinks::kNone) links.waitingBehind[leaving] = move;
  }
  return links;
}

bool BatchNames::Taken(std::string_view name) const {
  std::string folded;
  const std::string_view form = LookupForm(name, folded);
  if (const auto key = table_.Find(form)) return facts_[*key].inFolder || !facts_[*key].asNewName.None();
  if (temporaryLookalikes_.contains(std::string(form))) return true;
  return rules_.foldsCase && folder_ && folder_->Holds(name);
}

}  // namespace tolvane
