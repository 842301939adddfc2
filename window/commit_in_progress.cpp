#include "window/commit_in_progress.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "window/held_user_input.h"

namespace tolvane {

CommitInProgress::CommitInProgress(QtWindowServices& services, QWidget& window)
    : services_(services), window_(window) {
  QCoreApplication::instance()->installEventFilter(this);
  services_.BeginCommit();
}

// Input that came in after the last yield is taken and dropped here, before the filter goes.
CommitInProgress::~CommitInProgress() {
  QCoreApplication::processEvents();
  services_.EndCommit();
  QCoreApplication::instance()->removeEventFilter(this);
}

bool CommitInProgress::eventFilter(QObject* receiver, QEvent* event) {
  const auto* widget = qobject_cast<const QWidget*>(receiver);
  const bool input = IsUserInput(*event) || event->type() == QEvent::Close;
  if (widget == nullptr || widget->window() != &window_ || !input) return false;
  // A close that is merely filtered out counts as accepted, and the window would go.
  if (event->type() == QEvent::Close) event->ignore();
  return true;
}

}  // namespace tolvane
