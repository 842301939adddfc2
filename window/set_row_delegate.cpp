#include "window/set_row_delegate.h"

#include <QApplication>
#include <QPainter>

#include "window/rename_list_model.h"

namespace tolvane {

void SetRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  const QString tail = index.data(RenameListModel::kDimmedTailRole).toString();
  if (tail.isEmpty()) return;
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
  const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
  // The view leaves a margin on either side of the text it draws.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, item.widget) + 1;
  const QRect tailRect = textRect.adjusted(margin + item.fontMetrics.horizontalAdvance(item.text), 0, -margin, 0);
  if (tailRect.width() <= 0) return;
  painter->save();
  painter->setFont(item.font);
  painter->setPen(item.palette.color(QPalette::Disabled, QPalette::Text));
  painter->drawText(tailRect, Qt::AlignLeft | Qt::AlignVCenter,
                    item.fontMetrics.elidedText(tail, Qt::ElideRight, tailRect.width()));
  painter->restore();
}

}  // namespace tolvane
