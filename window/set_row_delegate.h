#pragma once

#include <QStyledItemDelegate>

namespace tolvane {

// Draws a row of the list as the view does, and after its name, dimmed, what the model gives
// as RenameListModel::kDimmedTailRole: the endings of a set's other files, or that a sidecar
// has no photo.
class SetRowDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace tolvane
