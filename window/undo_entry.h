#pragma once

#include <QObject>
#include <functional>
#include <optional>

#include "core/batch_undo.h"

class QAction;

namespace tolvane {

class ListMenu;

// The list menu's entry that takes back the last rename of the folder on show: "&Undo the
// Last Rename Here...", or "R&edo the Undone Rename Here..." when that rename was itself an
// undo, so that the entry says what it will do. Greyed while `lastBatch` gives none.
class UndoEntry final : public QObject {
  Q_OBJECT

 public:
  UndoEntry(ListMenu& menu, std::function<std::optional<UndoableBatch>()> lastBatch);

  QAction& Action() const { return *action_; }

 private:
  QAction* action_ = nullptr;
};

}  // namespace tolvane
