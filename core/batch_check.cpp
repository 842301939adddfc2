#include "core/batch_check.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/longest_name.h"
#include "core/name_escape.h"
#include "core/problem_groups.h"

namespace tolvane {

namespace {

// Why a new name cannot be a file name on Linux, or nothing when it can. Volumes that keep
// names in UTF-16 count their length in its code units instead of bytes.
std::optional<std::string_view> InvalidNameReason(std::string_view name, NameRules rules = NameRules::Linux) {
  if (name.empty()) return "the new name is empty";
  if (name == "." || name == "..") return "\".\" and \"..\" cannot be file names";
  if (name.find('/') != std::string_view::npos) return "the new name holds a \"/\"";
  if (name.find('\0') != std::string_view::npos) return "the new name holds a NUL character";
  if (rules < NameRules::Unicode && name.size() > kLongestNameBytes) return "the new name is longer than 255 bytes";
  return std::nullopt;
}

std::optional<BatchProblem> FirstProblem(RenameList::Position position, const RenameEntry& entry,
                                         const NameFacts& oldName, const NameFacts& newName, NameRules rules) {
  const auto problem = [&](ProblemKind kind) { return BatchProblem{position, kind, std::nullopt}; };
  if (!oldName.inFolder) return problem(ProblemKind::FileMissing);
  if (!oldName.fileInFolder) return problem(ProblemKind::NotAFile);
  if (InvalidNameReason(entry.Text, rules)) return problem(ProblemKind::InvalidName);
  // A name the file already has is taken by its volume, whatever the volume's rules.
  if (ChangesName(entry)) {
    if (const auto refusal = RefusalOf(rules, entry.Text)) return BatchProblem{position, ProblemKind::RefusedName, refusal};
  }
  if (newName.asNewName.MoreThanOne()) return problem(ProblemKind::DuplicateName);
  if (&newName != &oldName && newName.inFolder && !newName.movedAway) return problem(ProblemKind::NameTaken);
  if (newName.heldOnVolume) return problem(ProblemKind::HeldOnVolume);
  if (oldName.asOldName.MoreThanOne()) return problem(ProblemKind::SameFileTwice);
  return std::nullopt;
}

std::string_view Explanation(ProblemKind kind) {
  switch (kind) {
    case ProblemKind::FileMissing: return "the file is no longer in the folder";
    case ProblemKind::NotAFile: return "the name now belongs to a folder or another item that is not a file";
    case ProblemKind::InvalidName: return "the new name is not a valid file name";
    case ProblemKind::RefusedName: return "the volume of this folder does not allow the new name";
    case ProblemKind::DuplicateName: return "another file of the batch gets the same new name";
    case ProblemKind::NameTaken: return "an item of the folder that is not renamed already has the new name";
    case ProblemKind::HeldOnVolume: return "the volume of this folder takes the new name for the name of another item";
    case ProblemKind::SameFileTwice: return "another entry of the batch renames the same file";
  }
  return {};
}

// Problems of the file an entry renames are told by its old name; the others by the new one.
bool TellsOldName(ProblemKind kind) {
  return kind == ProblemKind::FileMissing || kind == ProblemKind::NotAFile || kind == ProblemKind::SameFileTwice;
}

ProblemKindText KindText(const RenameList& list, const BatchProblem& problem) {
  switch (problem.kind) {
    case ProblemKind::FileMissing:
      return {"file is no longer in the folder", "files are no longer in the folder",
              "The folder may have been renamed already: Simulate makes a new preview."};
    case ProblemKind::NotAFile:
      return {"name now belongs to a folder or another item that is not a file",
              "names now belong to folders or other items that are not files", ""};
    case ProblemKind::DuplicateName:
      return {"new name is given to another file of the batch too", "new names are given to more than one file", ""};
    case ProblemKind::NameTaken:
      return {"new name is held by an item of the folder that is not renamed",
              "new names are held by items of the folder that are not renamed", ""};
    case ProblemKind::HeldOnVolume:
      return {"new name is taken by the volume for the name of another item",
              "new names are taken by the volume for the names of other items", ""};
    case ProblemKind::SameFileTwice:
      return {"file is renamed by another entry of the batch too", "files are renamed by more than one entry", ""};
    case ProblemKind::InvalidName:
    case ProblemKind::RefusedName: break;
  }
  // Each reason a name is refused for is a kind of its own.
  const std::string why = " (" + WhyProblem(list, problem) + ")";
  return {"new name cannot be given" + why, "new names cannot be given" + why, ""};
}

}  // namespace

std::vector<BatchProblem> CheckBatch(const RenameList& list, const std::vector<FolderItem>& folderItems,
                                     const VolumeRules& rules, OpenedFolder* folder) {
  return CheckBatch(BatchNames(list, folderItems, rules, folder));
}

std::vector<BatchProblem> CheckBatch(const BatchNames& names) {
  const RenameList& list = names.List();
  std::vector<BatchProblem> problems;
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    const RenameEntry& entry = list.Item(position);
    if (!IsPreviewed(entry)) continue;
    if (auto problem = FirstProblem(position, entry, names.OldNameFacts(position), names.NewNameFacts(position),
                                    names.Rules().names)) {
      problems.push_back(std::move(*problem));
    }
  }
  return problems;
}

std::string WhyProblem(const RenameList& list, const BatchProblem& problem) {
  const auto invalidReason = InvalidNameReason(list.Item(problem.position).Text);
  if (problem.kind == ProblemKind::InvalidName && invalidReason) return std::string(*invalidReason);
  if (problem.kind == ProblemKind::RefusedName && problem.refusal) return DescribeRefusal(*problem.refusal);
  return std::string(Explanation(problem.kind));
}

std::string DescribeProblem(const RenameList& list, const BatchProblem& problem) {
  const RenameEntry& entry = list.Item(problem.position);
  std::string line;
  AppendQuotedName(line, entry.Tag);
  line += " -> ";
  AppendQuotedName(line, entry.Text);
  return line + ": " + WhyProblem(list, problem);
}

std::string DescribeProblems(const RenameList& list, const std::vector<BatchProblem>& problems) {
  ProblemGroups groups;
  for (const BatchProblem& problem : problems) {
    const RenameEntry& entry = list.Item(problem.position);
    groups.Add(KindText(list, problem), TellsOldName(problem.kind) ? entry.Tag : entry.Text);
  }
  return "Nothing was renamed, because of these problems:\n" + groups.Describe();
}

}  // namespace tolvane
