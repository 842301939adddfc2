#include "window/list_selection.h"

#include <QAbstractItemModel>

namespace tolvane {

namespace {

RenameList::Position PositionOf(int row) { return static_cast<RenameList::Position>(row) + 1; }
int RowOf(RenameList::Position position) { return static_cast<int>(position - 1); }

}  // namespace

void PushSelection(const QItemSelectionModel& view, RenameList& list) {
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    if (list.Item(position).Selected()) list.SetSelected(position, false);
  }
  for (const QItemSelectionRange& range : view.selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) {
      if (PositionOf(row) <= list.Count()) list.SetSelected(PositionOf(row), true);
    }
  }
  const QModelIndex current = view.currentIndex();
  if (current.isValid() && PositionOf(current.row()) <= list.Count()) list.SetCurrent(PositionOf(current.row()));
}

void ShowSelection(const RenameList& list, QItemSelectionModel& view) {
  const QAbstractItemModel& model = *view.model();
  const int rows = model.rowCount();
  QItemSelection selection;
  int runStart = -1;
  for (int row = 0; row <= rows; ++row) {
    const bool selected = row < rows && PositionOf(row) <= list.Count() && list.Item(PositionOf(row)).Selected();
    if (selected && runStart < 0) runStart = row;
    if (!selected && runStart >= 0) {
      selection.select(model.index(runStart, 0), model.index(row - 1, 0));
      runStart = -1;
    }
  }
  // The list has one column, so a range of cells is a range of rows; asking Qt to widen the
  // ranges to rows makes it merge every range with every other, a cost that grows with the
  // square of the ranges when many rows apart from each other are selected.
  view.select(selection, QItemSelectionModel::ClearAndSelect);
  const auto current = list.SelectedItem();
  if (current && RowOf(*current) < rows) {
    view.setCurrentIndex(model.index(RowOf(*current), 0), QItemSelectionModel::NoUpdate);
  }
}

}  // namespace tolvane
