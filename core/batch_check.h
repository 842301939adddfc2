#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/batch_names.h"
#include "core/name_refusal.h"
#include "core/rename_list.h"
#include "platform/platform.h"

namespace tolvane {

// Why a previewed entry cannot be renamed; the checks run in this order and an entry
// carries the first that fails.
enum class ProblemKind {
  FileMissing,    // no file of the old name in the folder
  NotAFile,       // the old name is a folder or something else than a file
  InvalidName,    // empty, "." or "..", holds "/" or NUL, or longer than 255 bytes
  RefusedName,    // a name Linux takes but the folder's volume does not
  DuplicateName,  // another entry of the batch gets the same new name
  NameTaken,      // a file of the folder that the batch does not move away holds the new name
  HeldOnVolume,   // the volume takes the new name for the name of an item of the folder
  SameFileTwice,  // another entry of the batch renames the same file
};

struct BatchProblem {
  RenameList::Position position;
  ProblemKind kind;
  std::optional<NameRefusal> refusal = std::nullopt;  // why the volume refuses the new name, for RefusedName
};

// Checks every previewed entry against the folder's present items before anything is renamed.
// Names are compared and limited as the folder's volume does under `rules`; `folder`, when
// given, is asked which names its items answer to on a volume that folds case.
std::vector<BatchProblem> CheckBatch(const RenameList& list, const std::vector<FolderItem>& folderItems,
                                     const VolumeRules& rules = {}, OpenedFolder* folder = nullptr);
// The same check over names already looked up, which the commit's order reads next.
std::vector<BatchProblem> CheckBatch(const BatchNames& names);

// Why the entry cannot be renamed, in plain words: "the file is no longer in the folder".
std::string WhyProblem(const RenameList& list, const BatchProblem& problem);

// One line naming the entry and its problem.
std::string DescribeProblem(const RenameList& list, const BatchProblem& problem);

// The message that lists the problems: each kind once, with its count and its first names
// (problem_groups.h); each reason a name is refused for is a kind of its own.
std::string DescribeProblems(const RenameList& list, const std::vector<BatchProblem>& problems);

}  // namespace tolvane
