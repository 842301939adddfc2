#include "window/undated_rows.h"

#include <QCoreApplication>

#include "platform/count_text.h"

namespace tolvane {

void UndatedRows::Show(const RenameList& list, const std::vector<NameDates>& dates) {
  Clear();
  total_ = list.Count();
  for (RenameList::Position position = 1; position <= list.Count() && position <= dates.size(); ++position) {
    if (!dates[position - 1].taken) oldNames_.insert(list.Item(position).Tag);
  }
}

void UndatedRows::Clear() {
  oldNames_.clear();
  total_ = 0;
}

bool UndatedRows::Holds(const RenameEntry& entry) const { return !oldNames_.empty() && oldNames_.contains(entry.Tag); }

QString UndatedRows::Line() const {
  if (oldNames_.empty()) return {};
  return QCoreApplication::translate("UndatedRows", "%1 of %2 files have no date taken: their modification time was used")
      .arg(QString::fromStdString(CountText(oldNames_.size())), QString::fromStdString(CountText(total_)));
}

}  // namespace tolvane
