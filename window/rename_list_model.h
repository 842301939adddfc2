#pragma once

#include <QAbstractTableModel>

#include "core/rename_list.h"
#include "window/preview_marks.h"
#include "window/undated_rows.h"

namespace tolvane {

// ListView1's rows: the RenameList seen through one column, "File Name". The list is read
// where it lies, so a million entries cost the view nothing until they are scrolled into sight.
class RenameListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  // What a row shows dimmed after its name: the endings of a set's other files ("  + .JPG
  // .CR2.xmp"), or that a sidecar has no photo.
  static constexpr int kDimmedTailRole = Qt::UserRole + 1;

  RenameListModel(const RenameList& list, const PreviewMarks& marks, QObject* parent);
  // The rows whose names took the modification time for a date taken, which their tips tell.
  void ShowUndated(const UndatedRows& undated) { undated_ = &undated; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Rows are dragged within the list only: a drop tells where, and the window moves the
  // selected entries there.
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

  // After the list was replaced as a whole: rows, selection and current row start afresh.
  void Reset();
  // After any change: a changed count resets, otherwise the rows are repainted in place.
  void Refresh();

 signals:
  // The selected rows were dropped before `row` (the row count for the end).
  void RowsDropped(int row);

 private:
  QString DimmedTailOf(const RenameEntry& entry) const;
  QString ToolTipOf(const RenameEntry& entry) const;

  const RenameList& list_;
  const PreviewMarks& marks_;
  const UndatedRows* undated_ = nullptr;
  int shownCount_ = 0;
};

}  // namespace tolvane
