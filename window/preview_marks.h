#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/batch_check.h"
#include "core/rename_list.h"

namespace tolvane {

// The problems that would stop the commit, kept per previewed entry so that the list can
// show them before the user presses Rename. An entry is known by its name before the preview
// (its Tag), which travels with it when it moves, so the marks survive moves unchanged.
class PreviewMarks {
 public:
  // Marks the entries whose problems the commit's check found in `files`, the batch file by
  // file (CheckedBatch::Files).
  void Show(const RenameList& files, const std::vector<BatchProblem>& problems);
  // No entry is marked, since the check could not read the folder for `reason`; every
  // previewed entry says so.
  void ShowUnchecked(const std::string& reason);
  void Clear();
  // How many entries are marked.
  std::size_t Count() const { return problemsByOldName_.size(); }

  // Why the entry could not be renamed, or nullptr when nothing stands in its way.
  const std::string* ProblemOf(const RenameEntry& entry) const;
  // Why a previewed entry was not checked, or nullptr when it was.
  const std::string* WhyUnchecked(const RenameEntry& entry) const;

 private:
  std::unordered_map<std::string, std::string> problemsByOldName_;
  std::optional<std::string> unchecked_;
};

}  // namespace tolvane
