#include "window/preview_marks.h"

#include "core/batch_check.h"

namespace tolvane {

void PreviewMarks::Check(const RenameList& list, const std::vector<FolderItem>& folderItems, OpenedFolder& folder) {
  problemsByOldName_.clear();
  for (const BatchProblem& problem : CheckBatch(list, folderItems, folder.Rules(folderItems), &folder)) {
    problemsByOldName_.try_emplace(list.Item(problem.position).Tag, DescribeProblem(list, problem));
  }
}

const std::string* PreviewMarks::ProblemOf(const RenameEntry& entry) const {
  if (!IsPreviewed(entry)) return nullptr;
  const auto problem = problemsByOldName_.find(entry.Tag);
  return problem == problemsByOldName_.end() ? nullptr : &problem->second;
}

}  // namespace tolvane
