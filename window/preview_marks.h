#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "core/rename_list.h"
#include "platform/platform.h"

namespace tolvane {

// The problems that would stop the commit, kept per previewed entry so that the list can
// show them before the user presses Rename. An entry is known by its name before the preview
// (its Tag), which travels with it when it moves, so the marks survive moves unchanged.
class PreviewMarks {
 public:
  // Runs the commit's own check of the batch against the folder's present items, with the
  // rules of the folder's volume.
  void Check(const RenameList& list, const std::vector<FolderItem>& folderItems, OpenedFolder& folder);
  void Clear() { problemsByOldName_.clear(); }

  // Why the entry could not be renamed, or nullptr when nothing stands in its way.
  const std::string* ProblemOf(const RenameEntry& entry) const;

 private:
  std::unordered_map<std::string, std::string> problemsByOldName_;
};

}  // namespace tolvane
