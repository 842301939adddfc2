#include "core/batch_check.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/longest_name.h"
#include "core/name_escape.h"

namespace tolvane {

namespace {

constexpr std::size_t kProblemLinesShown = 20;

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

std::string DescribeProblem(const RenameList& list, const BatchProblem& problem) {
  const RenameEntry& entry = list.Item(problem.position);
  std::string line;
  AppendQuotedName(line, entry.Tag);
  line += " -> ";
  AppendQuotedName(line, entry.Text);
  line += ": ";
  const auto invalidReason = InvalidNameReason(entry.Text);
  if (problem.kind == ProblemKind::InvalidName && invalidReason) {
    line += *invalidReason;
  } else if (problem.kind == ProblemKind::RefusedName && problem.refusal) {
    line += DescribeRefusal(*problem.refusal);
  } else {
    line += Explanation(problem.kind);
  }
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
