#include "core/batch_check.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/name_escape.h"
#include "core/name_table.h"

namespace tolvane {

namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kProblemLinesShown = 20;

// Why a new name cannot be a file name on Linux, or nothing when it can.
std::optional<std::string_view> InvalidNameReason(std::string_view name) {
  if (name.empty()) return "the new name is empty";
  if (name == "." || name == "..") return "\".\" and \"..\" cannot be file names";
  if (name.find('/') != std::string_view::npos) return "the new name holds a \"/\"";
  if (name.find('\0') != std::string_view::npos) return "the new name holds a NUL character";
  if (name.size() > kMaxNameBytes) return "the new name is longer than 255 bytes";
  return std::nullopt;
}

// How many previewed entries use a name in one role, as far as the check asks: none, one, or
// more than one. Counting no further keeps a million names' facts small.
class UseCount {
 public:
  void Add() {
    if (count_ < 2) ++count_;
  }
  bool MoreThanOne() const { return count_ > 1; }

 private:
  unsigned char count_ = 0;
};

// What the folder and the batch say about one name.
struct NameFacts {
  FolderItemKind folderKind = FolderItemKind::Other;  // the kind of the folder's item of this name
  bool inFolder = false;                              // the folder has an item of this name
  UseCount asNewName;                                 // previewed entries that get this name
  UseCount asOldName;                                 // previewed entries that rename the file of this name
  bool movedAway = false;                             // the file of this name gets another name
};

// One previewed entry with the facts of its old and its new name.
struct CheckedEntry {
  RenameList::Position position;
  const RenameEntry* entry;
  const NameFacts* oldName;
  const NameFacts* newName;
};

// Gathers every name's facts in one table, looking each name up once, so that a batch of a
// million entries is checked in a few hash look-ups per entry.
class BatchFacts {
 public:
  BatchFacts(const RenameList& list, const std::vector<FolderItem>& folderItems)
      : names_(folderItems.size() + 2 * list.Count()) {
    const RenameList::Position count = list.Count();
    for (const FolderItem& item : folderItems) {
      NameFacts& facts = names_[item.name];
      facts.folderKind = item.kind;
      facts.inFolder = true;
    }
    entries_.reserve(count);
    for (RenameList::Position position = 1; position <= count; ++position) {
      const RenameEntry& entry = list.Item(position);
      if (!IsPreviewed(entry)) continue;
      NameFacts& oldName = names_[entry.Tag];
      NameFacts& newName = names_[entry.Text];
      oldName.asOldName.Add();
      newName.asNewName.Add();
      if (entry.Tag != entry.Text) oldName.movedAway = true;
      entries_.push_back({position, &entry, &oldName, &newName});
    }
  }

  const std::vector<CheckedEntry>& Entries() const { return entries_; }

  static std::optional<ProblemKind> FirstProblem(const CheckedEntry& checked) {
    const NameFacts& oldName = *checked.oldName;
    const NameFacts& newName = *checked.newName;
    if (!oldName.inFolder) return ProblemKind::FileMissing;
    if (oldName.folderKind != FolderItemKind::File) return ProblemKind::NotAFile;
    if (InvalidNameReason(checked.entry->Text)) return ProblemKind::InvalidName;
    if (newName.asNewName.MoreThanOne()) return ProblemKind::DuplicateName;
    if (&newName != &oldName && newName.inFolder && !newName.movedAway) return ProblemKind::NameTaken;
    if (oldName.asOldName.MoreThanOne()) return ProblemKind::SameFileTwice;
    return std::nullopt;
  }

 private:
  NameTable<NameFacts> names_;
  std::vector<CheckedEntry> entries_;
};

std::string_view Explanation(ProblemKind kind) {
  switch (kind) {
    case ProblemKind::FileMissing: return "the file is no longer in the folder";
    case ProblemKind::NotAFile: return "the name now belongs to a folder or another item that is not a file";
    case ProblemKind::InvalidName: return "the new name is not a valid file name";
    case ProblemKind::DuplicateName: return "another file of the batch gets the same new name";
    case ProblemKind::NameTaken: return "an item of the folder that is not renamed already has the new name";
    case ProblemKind::SameFileTwice: return "another entry of the batch renames the same file";
  }
  return {};
}

}  // namespace

std::vector<BatchProblem> CheckBatch(const RenameList& list, const std::vector<FolderItem>& folderItems) {
  const BatchFacts facts(list, folderItems);
  std::vector<BatchProblem> problems;
  for (const CheckedEntry& checked : facts.Entries()) {
    if (const auto kind = BatchFacts::FirstProblem(checked)) problems.push_back({checked.position, *kind});
  }
  return problems;
}

std::string DescribeProblem(const RenameList& list, const BatchProblem& problem) {
  const RenameEntry& entry = list.Item(problem.position);
  std::string line;
  AppendQuotedName(line, entry.Tag);
  line += " -> ";
  AppendQuotedName(line, entry.Text);
  line += ": ";
  const auto invalidReason = InvalidNameReason(entry.Text);
  line += problem.kind == ProblemKind::InvalidName && invalidReason ? *invalidReason : Explanation(problem.kind);
  return line;
}

std::string DescribeProblems(const RenameList& list, const std::vector<BatchProblem>& problems) {
  std::string message = "Nothing was renamed, because of these problems:";
  const std::size_t shown = std::min(problems.size(), kProblemLinesShown);
  for (std::size_t i = 0; i < shown; ++i) {
    message += "\n";
    message += DescribeProblem(list, problems[i]);
  }
  if (problems.size() > shown) message += "\n... and " + std::to_string(problems.size() - shown) + " more";
  return message;
}

}  // namespace tolvane
