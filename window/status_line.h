#pragma once

#include <QFrame>
#include <QString>
#include <map>

class QHBoxLayout;
class QLabel;

namespace tolvane {

// The line under the list, which several parts of the window share to say what the list does
// not show: how far a read of the dates taken has come, how many rows of a preview are marked,
// that the preview no longer matches the naming fields. Each says its text under a topic of
// its own; the line shows the most urgent topic that has something to say, and hides while
// none has.
class StatusLine final : public QFrame {
  Q_OBJECT

 public:
  // The most urgent first.
  enum class Topic { DateReading, StalePreview, Problems };

  explicit StatusLine(QWidget* parent);

  // Gives `topic` its text; an empty text takes the topic off the line.
  void Say(Topic topic, const QString& text);
  // A control shown at the end of the line while `topic` is on show, such as a Cancel button.
  void SetControl(Topic topic, QWidget* control);

 private:
  void ShowMostUrgent();

  QLabel* text_;
  QHBoxLayout* layout_;
  std::map<Topic, QString> texts_;
  std::map<Topic, QWidget*> controls_;
};

}  // namespace tolvane
