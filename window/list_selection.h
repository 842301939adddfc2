#pragma once

#include <QItemSelectionModel>

#include "core/rename_list.h"

namespace tolvane {

// The view keeps the selection while the user works; the list's operations act on the
// list's own Selected flags and current entry. These two carry one over to the other.

// Before an operation: the rows selected in the view become the selected entries, and the
// view's current row the current entry.
void PushSelection(const QItemSelectionModel& view, RenameList& list);

// After an operation: the view selects the selected entries and stands on the current one.
void ShowSelection(const RenameList& list, QItemSelectionModel& view);

}  // namespace tolvane
