#include "window/list_menu.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

namespace tolvane {

ListMenu::ListMenu(QAbstractItemView& list, std::function<bool()> available)
    : QObject(&list), list_(list), available_(std::move(available)), menu_(new QMenu(&list)) {
  menu_->setObjectName(QStringLiteral("ListMenu"));
  orderByName_ = menu_->addAction(tr("Order by &Name"));
  orderByDateTaken_ = menu_->addAction(tr("Order by Date &Taken"));
  orderByDateModified_ = menu_->addAction(tr("Order by Date &Modified"));
  reverseOrder_ = menu_->addAction(tr("&Reverse Order"));
  keepSets_ = menu_->addAction(tr("Keep &Pairs and Sidecars Together"));
  keepSets_->setCheckable(true);
  startAfterHighestNumber_ = menu_->addAction(tr("&Start After the Highest Number"));
  // A greyed entry's tip says why.
  menu_->setToolTipsVisible(true);
  connect(menu_, &QMenu::aboutToShow, this, [this] {
    const bool enabled = available_();
    for (QAction* action :
         {orderByName_, orderByDateTaken_, orderByDateModified_, reverseOrder_, startAfterHighestNumber_}) {
      action->setEnabled(enabled);
    }
    for (const auto& [action, entryAvailable] : appended_) action->setEnabled(entryAvailable());
    for (const auto& [action, shown] : shownWhile_) action->setVisible(shown());
  });
  list_.setContextMenuPolicy(Qt::DefaultContextMenu);
  list_.installEventFilter(this);
  list_.viewport()->installEventFilter(this);
}

ListMenu::~ListMenu() = default;

QAction& ListMenu::AppendEntry(const QString& caption, std::function<bool()> available) {
  menu_->addSeparator();
  QAction* action = menu_->addAction(caption);
  appended_.emplace_back(action, std::move(available));
  return *action;
}

QAction& ListMenu::AppendShownEntry(const QString& caption, std::function<bool()> shown) {
  QAction* action = menu_->addAction(caption);
  action->setVisible(false);
  shownWhile_.emplace_back(action, std::move(shown));
  return *action;
}

bool ListMenu::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu) {
    const auto& request = static_cast<const QContextMenuEvent&>(*event);
    Open(request.reason() == QContextMenuEvent::Mouse ? request.globalPos() : KeyboardPosition());
    return true;
  }
  if (watched == &list_ && event->type() == QEvent::KeyPress) {
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if ((key.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
        (key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
      Open(KeyboardPosition());
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void ListMenu::Open(const QPoint& globalPosition) { menu_->popup(globalPosition); }

QPoint ListMenu::KeyboardPosition() const {
  const QRect row = list_.visualRect(list_.currentIndex());
  const QPoint corner = row.isValid() && list_.viewport()->rect().intersects(row) ? row.bottomLeft() : QPoint(0, 0);
  return list_.viewport()->mapToGlobal(corner);
}

}  // namespace tolvane
