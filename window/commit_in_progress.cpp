#include "window/commit_in_progress.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace tolvane {

namespace {

bool IsUserInput(const QEvent& event) {
  switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

}  // namespace

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
  if (widget == nullptr || widget->window() != &window_ || !IsUserInput(*event)) return false;
  // A close that is merely filtered out counts as accepted, and the window would go.
  if (event->type() == QEvent::Close) event->ignore();
  return true;
}

}  // namespace tolvane
