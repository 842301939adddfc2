#pragma once

#include <QObject>
#include <functional>
#include <utility>
#include <vector>

class QAbstractItemView;
class QAction;
class QMenu;
class QPoint;
class QString;

namespace tolvane {

// The menu of ListView1, opened by a right click on the list, or by the Menu key or Shift+F10
// while the list has the focus. It offers the orderings of the list and the start after the
// highest number of the folder's names; entries of other operations on the list are appended
// to Menu() after them. Each entry is greyed while `available` says no (an empty list, other
// work running).
class ListMenu final : public QObject {
  Q_OBJECT

 public:
  ListMenu(QAbstractItemView& list, std::function<bool()> available);
  ~ListMenu() override;

  QMenu& Menu() const { return *menu_; }
  QAction& OrderByName() const { return *orderByName_; }
  QAction& OrderByDateTaken() const { return *orderByDateTaken_; }
  QAction& OrderByDateModified() const { return *orderByDateModified_; }
  QAction& ReverseOrder() const { return *reverseOrder_; }
  // Checkable, and never greyed: it says how the list is loaded, even before a folder is.
  QAction& KeepSets() const { return *keepSets_; }
  QAction& StartAfterHighestNumber() const { return *startAfterHighestNumber_; }
  // Appends, after a separator, the entry of another operation on the list, greyed while its
  // own `available` says no.
  QAction& AppendEntry(const QString& caption, std::function<bool()> available);
  // Appends an entry to the group of the last one appended, shown only while `shown` says yes.
  QAction& AppendShownEntry(const QString& caption, std::function<bool()> shown);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Open(const QPoint& globalPosition);
  // Where a menu opened from the keyboard goes: at the current row, or the list's corner.
  QPoint KeyboardPosition() const;

  QAbstractItemView& list_;
  std::function<bool()> available_;
  QMenu* menu_;
  QAction* orderByName_;
  QAction* orderByDateTaken_;
  QAction* orderByDateModified_;
  QAction* reverseOrder_;
  QAction* keepSets_;
  QAction* startAfterHighestNumber_;
  std::vector<std::pair<QAction*, std::function<bool()>>> appended_;
  std::vector<std::pair<QAction*, std::function<bool()>>> shownWhile_;
};

}  // namespace tolvane
