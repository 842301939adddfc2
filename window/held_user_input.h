#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QEvent;

namespace tolvane {

// Input a user gives by mouse, keyboard, wheel, touch or tablet.
bool IsUserInput(const QEvent& event);

// For as long as it lives, the user's input to any widget waits, and then has its turn in the
// order it came. The event loop keeps back only what the window system has not yet handed
// over; input already on the application's queue (posted by the program itself, or by a
// tool that drives it) would otherwise reach a handler while work reads what it changes.
class HeldUserInput final : public QObject {
 public:
  // Input that `passes` answers true for goes through at once, such as a click on the Cancel
  // of the work that holds the rest.
  using Passes = std::function<bool(QObject& receiver, const QEvent& event)>;

  explicit HeldUserInput(Passes passes = {});
  ~HeldUserInput() override;
  HeldUserInput(const HeldUserInput&) = delete;
  HeldUserInput& operator=(const HeldUserInput&) = delete;

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override;

 private:
  Passes passes_;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

}  // namespace tolvane
