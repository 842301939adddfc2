#include "window/preview_marks.h"

namespace tolvane {

void PreviewMarks::Show(const RenameList& list, const std::vector<BatchProblem>& problems) {
  Clear();
  for (const BatchProblem& problem : problems) {
    problemsByOldName_.try_emplace(list.Item(problem.position).Tag, DescribeProblem(list, problem));
  }
}

void PreviewMarks::ShowUnchecked(const std::string& reason) {
  Clear();
  unchecked_ = "Not checked, because the folder cannot be read: " + reason;
}

void PreviewMarks::Clear() {
  problemsByOldName_.clear();
  unchecked_.reset();
}

const std::string* PreviewMarks::ProblemOf(const RenameEntry& entry) const {
  if (!IsPreviewed(entry)) return nullptr;
  const auto problem = problemsByOldName_.find(entry.Tag);
  return problem == problemsByOldName_.end() ? nullptr : &problem->second;
}

const std::string* PreviewMarks::WhyUnchecked(const RenameEntry& entry) const {
  return IsPreviewed(entry) && unchecked_ ? &*unchecked_ : nullptr;
}

}  // namespace tolvane
