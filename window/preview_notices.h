#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "core/name_composer.h"
#include "core/rename_list.h"
#include "window/preview_marks.h"

class QAbstractItemView;

namespace tolvane {

class StatusLine;

// What the line under the list says of the preview on show, before Rename is pressed: how many
// of its new names cannot be given ("3 of 320 new names cannot be given"), which marked row F8
// went to, and that the naming fields changed since Simulate, so that the list no longer shows
// what they would make. F8 selects the next marked row and scrolls to it.
class PreviewNotices final : public QObject {
  Q_OBJECT

 public:
  PreviewNotices(StatusLine& line, QAbstractItemView& view, const RenameList& list, const PreviewMarks& marks,
                 std::function<bool()> previewShown, std::function<NamingFields()> fields);

  // The preview on show was made from `fields`.
  void Simulated(const NamingFields& fields);
  // Says what holds now; the row F8 went to is said until then.
  void Refresh();
  // Selects the first marked row after the current one, from the top after the last, and
  // scrolls to it; nothing when no row is marked.
  void StepToNextMark();

 private:
  bool PreviewOnShow() const;
  // "3 of 320 new names cannot be given"; empty when no row is marked.
  QString ProblemCount() const;
  std::optional<RenameList::Position> NextMark(RenameList::Position after) const;

  StatusLine& line_;
  QAbstractItemView& view_;
  const RenameList& list_;
  const PreviewMarks& marks_;
  std::function<bool()> previewShown_;
  std::function<NamingFields()> fields_;
  std::optional<NamingFields> simulated_;
};

}  // namespace tolvane
