#include "window/rename_list_model.h"

#include <QColor>
#include <QMimeData>

#include <algorithm>
#include <limits>

#include "core/batch_names.h"
#include "window/displayed_text.h"

namespace tolvane {

namespace {

// What a drag of rows carries: nothing but the sign that it comes from the list, since the
// rows it moves are the selected ones.
const QString kRowsMimeType = QStringLiteral("application/x-tolvane-rows");

// Qt counts rows in int; a longer list is shown up to that bound.
int RowsOf(const RenameList& list) {
  constexpr RenameList::Position kMostRows = static_cast<RenameList::Position>(std::numeric_limits<int>::max());
  return static_cast<int>(std::min(list.Count(), kMostRows));
}

}  // namespace

RenameListModel::RenameListModel(const RenameList& list, const PreviewMarks& marks, QObject* parent)
    : QAbstractTableModel(parent), list_(list), marks_(marks), shownCount_(RowsOf(list)) {}

int RenameListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownCount_; }

int RenameListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QVariant RenameListModel::data(const QModelIndex& index, int role) const {
  const auto position = static_cast<RenameList::Position>(index.row()) + 1;
  if (!index.isValid() || index.row() < 0 || position > list_.Count()) return {};
  const RenameEntry& entry = list_.Item(position);
  switch (role) {
    case Qt::DisplayRole:
      return DisplayedText(entry.Text);
    case kDimmedTailRole:
      return DimmedTailOf(entry);
    case Qt::ForegroundRole:
      return marks_.ProblemOf(entry) ? QVariant(QColor(Qt::red)) : QVariant();
    // A screen reader speaks the row's description where the pointer shows its tip.
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
      return ToolTipOf(entry);
    default:
      return {};
  }
}

QVariant RenameListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole) return QStringLiteral("File Name");
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RenameListModel::flags(const QModelIndex& index) const {
  // Rows take no drop onto themselves, only between them: the view then tells the place.
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled : Qt::ItemIsDropEnabled;
}

QStringList RenameListModel::mimeTypes() const { return {kRowsMimeType}; }

QMimeData* RenameListModel::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setData(kRowsMimeType, QByteArray());
  return data;
}

bool RenameListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int, const QModelIndex&) const {
  return data != nullptr && action == Qt::MoveAction && data->hasFormat(kRowsMimeType);
}

bool RenameListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                   const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent)) return false;
  // A drop below the last row goes to the end.
  const int before = parent.isValid() ? parent.row() : (row < 0 ? shownCount_ : row);
  emit RowsDropped(before);
  return true;
}

void RenameListModel::Reset() {
  beginResetModel();
  shownCount_ = RowsOf(list_);
  endResetModel();
}

void RenameListModel::Refresh() {
  if (shownCount_ != RowsOf(list_)) {
    Reset();
  } else if (shownCount_ > 0) {
    emit dataChanged(index(0, 0), index(shownCount_ - 1, 0));
  }
}

QString RenameListModel::DimmedTailOf(const RenameEntry& entry) const {
  if (entry.LoneSidecar) return tr("  (a sidecar without its photo)");
  if (entry.Members.empty()) return {};
  QString tail = QStringLiteral("  +");
  for (const SetMember& member : entry.Members) tail += QStringLiteral(" ") + DisplayedText(member.Ending());
  return tail;
}

// A previewed row tells both names of each of its files, and what would stop its rename; a
// set's row tells its files' names before a preview too.
QString RenameListModel::ToolTipOf(const RenameEntry& entry) const {
  if (!IsPreviewed(entry)) {
    QString names = entry.LoneSidecar ? tr("A sidecar without its photo") : QString();
    if (!entry.Members.empty()) names = DisplayedText(entry.Text);
    for (const SetMember& member : entry.Members) names += QStringLiteral("\n") + DisplayedText(member.Text);
    return names;
  }
  QString tip = tr("Old name: %1\nNew name: %2").arg(DisplayedText(entry.Tag), DisplayedText(entry.Text));
  for (const SetMember& member : entry.Members) {
    tip += QStringLiteral("\n") + tr("Old name: %1\nNew name: %2").arg(DisplayedText(member.Tag), DisplayedText(member.Text));
  }
  if (entry.LoneSidecar) tip += QStringLiteral("\n") + tr("A sidecar without its photo");
  if (const std::string* problem = marks_.ProblemOf(entry)) tip += QStringLiteral("\n") + DisplayedText(*problem);
  if (const std::string* why = marks_.WhyUnchecked(entry)) tip += QStringLiteral("\n") + DisplayedText(*why);
  if (undated_ != nullptr && undated_->Holds(entry)) tip += tr("\nNo date taken: its modification time was used");
  return tip;
}

}  // namespace tolvane
