#pragma once

#include <QObject>

#include "platform/file_dates.h"
#include "window/work_in_background.h"

class QPushButton;

namespace tolvane {

class StatusLine;

// Shows how far a read of the dates taken has come ("Reading dates taken: 12,000 of
// 100,000") on the line under the list, with a Cancel button. While the read holds the
// window's input, a click on Cancel and the Escape key still go through, and ask the read to
// stop.
class DateReadingBar final : public QObject {
  Q_OBJECT

 public:
  explicit DateReadingBar(StatusLine& line);

  // Runs `read` of `total` files beside the window with the bar on show, and hides it after.
  template <typename Read>
  auto Show(DateReading& reading, std::size_t total, Read&& read) {
    struct Shown {
      DateReadingBar& bar;
      ~Shown() { bar.End(); }
    } shown{*this};
    Begin(reading, total);
    return WorkInBackground(
        std::forward<Read>(read), [this](QObject& receiver, const QEvent& event) { return Passes(receiver, event); },
        [this] { ShowProgress(); });
  }

  // Shows the bar for a read of `total` files.
  void Begin(DateReading& reading, std::size_t total);
  // Shows the read's count now.
  void ShowProgress();
  void End();
  // Whether input that the read holds back goes through at once: Cancel and Escape do.
  bool Passes(QObject& receiver, const QEvent& event);

 private:
  void Stop();

  StatusLine& line_;
  QPushButton* cancel_;
  DateReading* reading_ = nullptr;
  std::size_t total_ = 0;
};

}  // namespace tolvane
