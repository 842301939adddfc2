#include "window/preview_notices.h"

#include <QAbstractItemView>
#include <QShortcut>

#include "platform/count_text.h"
#include "window/displayed_text.h"
#include "window/status_line.h"

namespace tolvane {

namespace {

QString Count(std::size_t count) { return QString::fromStdString(CountText(count)); }

}  // namespace

PreviewNotices::PreviewNotices(StatusLine& line, QAbstractItemView& view, const RenameList& list,
                               const PreviewMarks& marks, std::function<bool()> previewShown,
                               std::function<NamingFields()> fields)
    : QObject(&line),
      line_(line),
      view_(view),
      list_(list),
      marks_(marks),
      previewShown_(std::move(previewShown)),
      fields_(std::move(fields)) {
  auto* nextMark = new QShortcut(QKeySequence(Qt::Key_F8), view.window());
  nextMark->setContext(Qt::WindowShortcut);
  connect(nextMark, &QShortcut::activated, this, &PreviewNotices::StepToNextMark);
}

void PreviewNotices::Simulated(const NamingFields& fields) { simulated_ = fields; }

void PreviewNotices::Refresh() {
  const bool shown = PreviewOnShow();
  if (!shown) simulated_.reset();
  const bool stale = shown && simulated_ && *simulated_ != fields_();
  line_.Say(StatusLine::Topic::StalePreview,
            stale ? tr("The naming fields changed after the preview: Undo, then Simulate, shows the new names")
                  : QString());
  line_.Say(StatusLine::Topic::Problems, shown ? ProblemCount() : QString());
}

void PreviewNotices::StepToNextMark() {
  if (!PreviewOnShow()) return;
  const QModelIndex current = view_.currentIndex();
  const auto after = static_cast<RenameList::Position>(current.isValid() ? current.row() + 1 : 0);
  const std::optional<RenameList::Position> next = NextMark(after);
  if (!next) return;
  const QModelIndex row = view_.model()->index(static_cast<int>(*next - 1), 0);
  view_.selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  // In the middle, so that the line under the list does not cover it.
  view_.scrollTo(row, QAbstractItemView::PositionAtCenter);
  const std::string* problem = marks_.ProblemOf(list_.Item(*next));
  line_.Say(StatusLine::Topic::Problems, tr("%1; row %2: %3")
                                             .arg(ProblemCount(), Count(*next), DisplayedText(problem ? *problem : "")));
}

// After a change of folder the preview's buttons stay as they were, but the list shows the new
// folder's files under their own names.
bool PreviewNotices::PreviewOnShow() const {
  return previewShown_() && list_.Count() > 0 && IsPreviewed(list_.Item(1));
}

QString PreviewNotices::ProblemCount() const {
  const std::size_t marked = marks_.Count();
  if (marked == 0) return {};
  return tr("%1 of %2 new names cannot be given").arg(Count(marked), Count(list_.Count()));
}

std::optional<RenameList::Position> PreviewNotices::NextMark(RenameList::Position after) const {
  const RenameList::Position count = list_.Count();
  for (RenameList::Position step = 1; step <= count; ++step) {
    const RenameList::Position position = (after + step - 1) % count + 1;
    if (marks_.ProblemOf(list_.Item(position))) return position;
  }
  return std::nullopt;
}

}  // namespace tolvane
