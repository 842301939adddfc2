#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/rename_list.h"
#include "platform/file_dates.h"

namespace tolvane {

// The name of the file an entry stands for: while a preview is shown, its name before the
// preview; otherwise the name it shows, which after a commit is the file's new name.
inline std::string_view FileNameOf(const RenameEntry& entry, bool previewShown) {
  return previewShown && !entry.Tag.empty() ? entry.Tag : entry.Text;
}

// The files' names of a list's entries, in list order.
std::vector<std::string_view> FileNamesOf(const RenameList& list, bool previewShown);

// The orders a list can be put in. Each is worked out from the list without changing it, so
// that a long list is ordered beside the window, and then applied with RenameList::Arrange.
// Entries whose keys are equal keep the natural order of their files' names.

// The order of the folder's load: natural, case-insensitive order of the files' names.
ListOrder NameOrder(const RenameList& list, bool previewShown);
// Earliest date first, one date for each entry in list order; an entry without a date goes last.
ListOrder DateOrder(const RenameList& list, bool previewShown, const std::vector<FileDate>& dates);
// The list from its last entry to its first.
ListOrder ReverseOrder(const RenameList& list);

}  // namespace tolvane
