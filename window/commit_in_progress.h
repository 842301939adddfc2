#pragma once

#include <QObject>

#include "window/qt_window_services.h"

class QWidget;

namespace tolvane {

// For the length of a commit: the window takes no input (clicks, keys, the wheel, closing),
// while painting, timers and the commit's own message boxes go on. A click in the middle of
// a commit would otherwise open another folder or edit the list that the commit is walking.
// Input that arrives meanwhile is dropped, not kept for later: it was aimed at a window that
// was about to change under it.
class CommitInProgress final : public QObject {
 public:
  CommitInProgress(QtWindowServices& services, QWidget& window);
  ~CommitInProgress() override;
  CommitInProgress(const CommitInProgress&) = delete;
  CommitInProgress& operator=(const CommitInProgress&) = delete;

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override;

 private:
  QtWindowServices& services_;
  QWidget& window_;
};

}  // namespace tolvane
