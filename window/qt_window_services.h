#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <memory>

#include "platform/platform.h"

class QWidget;

namespace tolvane {

// The window's side of the platform: message boxes, yields and progress for the commit,
// the report of an unhandled error, and the end of the program.
class QtWindowServices final : public WindowServices {
 public:
  explicit QtWindowServices(QWidget& window) : window_(window) {}

  MessageAnswer ShowMessage(const std::string& prompt, MessageButtons buttons,
                            const std::optional<std::string>& title) override;
  // Its buttons stand in the order given, Return pressing the default one.
  std::size_t AskChoice(const ChoiceBox& box) override;
  // Lets waiting events run, at most once in kYieldInterval: a commit yields after every file,
  // and handling events a million times would cost more than the renames.
  void YieldToEvents() override;
  // On a thread of its own, while the window paints.
  void RunLongWork(const std::function<void()>& work) override;
  // Shown only once the renames have lasted longer than kProgressDelay.
  void ShowProgress(std::size_t done, std::size_t total) override;
  void ReportUnhandledError(const Error& error) override;
  void EndProgram() override;

  // The commit's start and end: its yields start afresh, and its progress goes with it.
  void BeginCommit();
  void EndCommit();

  static constexpr qint64 kYieldInterval = 15;    // milliseconds
  static constexpr qint64 kProgressDelay = 500;   // milliseconds
  static constexpr qint64 kProgressInterval = 50; // milliseconds

 private:
  void OpenProgress();
  void EndProgress();

  QWidget& window_;
  QElapsedTimer renamingClock_;
  QElapsedTimer sinceYield_;
  QElapsedTimer sinceProgress_;
  std::unique_ptr<QProgressDialog> progress_;
};

}  // namespace tolvane
