#include "window/folder_list.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>

#include "window/displayed_text.h"
#include "window/folder_rows.h"
#include "window/work_in_background.h"

namespace tolvane {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 12;

// Draws each row indented by its depth, so that the rows read as a path going down.
class IndentingDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(option.rect.left() + Indent(index));
    QStyledItemDelegate::paint(painter, indented, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
  }

 private:
  static int Indent(const QModelIndex& index) { return index.data(kDepthRole).toInt() * kIndentPixels; }
};

QByteArray Bytes(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

FolderList::FolderList(FileSystem& files, TopOf topOf, std::string startFolder, QWidget* parent)
    : QListWidget(parent), files_(files), topOf_(std::move(topOf)), path_(std::move(startFolder)) {
  setItemDelegate(new IndentingDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::RequestOpen);
}

void FolderList::SetPath(const std::string& path) {
  std::unique_ptr<FolderListing> listing =
      WorkInBackground([&] { return std::make_unique<FolderListing>(files_, path); });
  const std::vector<FolderRow> rows = FolderRows(topOf_(path), path, listing->Items());
  clear();
  int currentRow = 0;
  for (const FolderRow& row : rows) {
    auto* item = new QListWidgetItem(style()->standardIcon(row.open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon),
                                     DisplayedText(row.name), this);
    item->setData(kPathRole, Bytes(row.path));
    item->setData(kDepthRole, row.depth);
    if (row.open) currentRow = count() - 1;
  }
  setCurrentRow(currentRow);
  const bool changed = path != path_;
  path_ = path;
  if (!changed) return;
  listing_ = std::move(listing);
  emit PathChanged();
  listing_.reset();
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    RequestOpen(currentItem());
  } else {
    QListWidget::keyPressEvent(event);
  }
}

void FolderList::RequestOpen(const QListWidgetItem* item) {
  if (item == nullptr) return;
  emit OpenRequested(item->data(kPathRole).toByteArray().toStdString());
}

}  // namespace tolvane
