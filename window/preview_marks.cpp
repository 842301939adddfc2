#include "window/preview_marks.h"

namespace tolvane {

void PreviewMarks::Show(const RenameList& files, const std::vector<BatchProblem>& problems) {
  Clear();
  for (const BatchProblem& problem : problems) {
    problemsByOldName_.try_emplace(files.Item(problem.position).Tag, DescribeProblem(files, problem));
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
  // A set's row is marked for the first of its files that has a problem.
  if (const auto problem = problemsByOldName_.find(entry.Tag); problem != problemsByOldName_.end()) {
    return &problem->second;
  }
  for (const SetMember& member : entry.Members) {
    if (const auto problem = problemsByOldName_.find(member.Tag); problem != problemsByOldName_.end()) {
      return &problem->second;
    }
  }
  return nullptr;
}

const std::string* PreviewMarks::WhyUnchecked(const RenameEntry& entry) const {
  return IsPreviewed(entry) && unchecked_ ? &*unchecked_ : nullptr;
}

}  // namespace tolvane
