#include "window/undo_entry.h"

#include <QAction>

#include "window/list_menu.h"

namespace tolvane {

UndoEntry::UndoEntry(ListMenu& menu, std::function<std::optional<UndoableBatch>()> lastBatch)
    : QObject(&menu) {
  // The batch is looked up once as the menu opens, for the caption and the state alike.
  action_ = &menu.AppendEntry(tr("&Undo the Last Rename Here..."), [this, lastBatch = std::move(lastBatch)] {
    const std::optional<UndoableBatch> batch = lastBatch();
    action_->setText(batch && batch->redoes ? tr("R&edo the Undone Rename Here...")
                                            : tr("&Undo the Last Rename Here..."));
    return batch.has_value();
  });
}

}  // namespace tolvane
