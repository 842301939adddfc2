#include "window/held_user_input.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace tolvane {

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
      return true;
    default:
      return false;
  }
}

HeldUserInput::HeldUserInput(Passes passes) : passes_(std::move(passes)) {
  QCoreApplication::instance()->installEventFilter(this);
}

HeldUserInput::~HeldUserInput() {
  QCoreApplication::instance()->removeEventFilter(this);
  for (auto& [receiver, event] : held_) {
    if (receiver) QCoreApplication::postEvent(receiver, event.release());
  }
}

bool HeldUserInput::eventFilter(QObject* receiver, QEvent* event) {
  if (!receiver->isWidgetType() || !IsUserInput(*event)) return false;
  if (passes_ && passes_(*receiver, *event)) return false;
  held_.emplace_back(receiver, event->clone());
  return true;
}

}  // namespace tolvane
