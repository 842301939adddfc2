#include "window/qt_window_services.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include "platform/count_text.h"
#include "window/displayed_text.h"
#include "window/work_in_background.h"

namespace tolvane {

namespace {

constexpr int kProgressSteps = 1000;

int StepsDone(std::size_t done, std::size_t total) { return static_cast<int>(done * kProgressSteps / total); }

// The desktop's own style, but for the order of a box's buttons: OK stands first, as the
// boxes of Tolvane have it, where some desktops would put Cancel first.
class OkFirstStyle final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_DialogButtonLayout) return QDialogButtonBox::WinLayout;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

// No box is taller than two thirds of the screen: a text that would make it so shows as much
// of its beginning as fits, and the whole text is under "Show Details...", which scrolls.
void KeepWithinScreen(QMessageBox& box) {
  const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const int tallest = screen->availableGeometry().height() * 2 / 3;
  const QString whole = box.text();
  QString shown = whole;
  while (box.sizeHint().height() > tallest && shown.size() > 1) {
    if (box.detailedText().isEmpty()) box.setDetailedText(whole);
    shown.truncate(shown.size() * 3 / 4);
    box.setText(shown + QStringLiteral("\u2026"));
  }
}

}  // namespace

MessageAnswer QtWindowServices::ShowMessage(const std::string& prompt, MessageButtons buttons,
                                            const std::optional<std::string>& title) {
  OkFirstStyle okFirst;  // outlives the box that uses it
  QMessageBox box(&window_);
  box.setWindowTitle(title ? DisplayedText(*title) : QApplication::applicationDisplayName());
  box.setTextFormat(Qt::PlainText);
  box.setText(DisplayedText(prompt));
  if (buttons == MessageButtons::Ok) {
    box.setStandardButtons(QMessageBox::Ok);
  } else {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
  }
  box.setDefaultButton(QMessageBox::Ok);
  if (auto* buttonRow = box.findChild<QDialogButtonBox*>()) buttonRow->setStyle(&okFirst);
  box.setIcon(buttons == MessageButtons::OkCancelWarning ? QMessageBox::Warning : QMessageBox::NoIcon);
  KeepWithinScreen(box);
  box.exec();
  return box.clickedButton() == box.button(QMessageBox::Ok) || buttons == MessageButtons::Ok ? MessageAnswer::Ok
                                                                                              : MessageAnswer::Cancel;
}

std::size_t QtWindowServices::AskChoice(const ChoiceBox& choice) {
  QMessageBox box(&window_);
  box.setWindowTitle(DisplayedText(choice.title));
  box.setTextFormat(Qt::PlainText);
  box.setText(DisplayedText(choice.prompt));
  std::vector<QPushButton*> buttons;
  for (const std::string& caption : choice.buttons) {
    buttons.push_back(box.addButton(QString::fromStdString(caption), QMessageBox::ActionRole));
  }
  box.setDefaultButton(buttons.at(choice.defaultButton));
  box.setEscapeButton(buttons.at(choice.escapeButton));
  if (choice.warning) box.setIcon(QMessageBox::Warning);
  KeepWithinScreen(box);
  box.exec();
  const auto pressed = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  // Closed by the window manager without a button: as Escape.
  return pressed == buttons.end() ? choice.escapeButton : static_cast<std::size_t>(pressed - buttons.begin());
}

void QtWindowServices::YieldToEvents() {
  if (sinceYield_.isValid() && sinceYield_.elapsed() < kYieldInterval) return;
  QCoreApplication::processEvents();
  sinceYield_.start();
}

void QtWindowServices::RunLongWork(const std::function<void()>& work) { WorkInBackground(work); }

void QtWindowServices::ShowProgress(std::size_t done, std::size_t total) {
  // With the last file renamed, the commit's own messages follow, with nothing under them.
  if (done >= total) {
    EndProgress();
    return;
  }
  // The clock starts at the first file, not at the confirmation that the user may ponder.
  if (!renamingClock_.isValid()) renamingClock_.start();
  if (renamingClock_.elapsed() < kProgressDelay) return;
  if (progress_ && sinceProgress_.elapsed() < kProgressInterval) return;
  if (!progress_) OpenProgress();
  progress_->setLabelText(QApplication::translate("Tolvane", "Renamed %1 of %2 files")
                              .arg(QString::fromStdString(CountText(done)), QString::fromStdString(CountText(total))));
  progress_->setValue(StepsDone(done, total));
  sinceProgress_.start();
}

void QtWindowServices::ReportUnhandledError(const Error& error) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                  QStringLiteral("Error %1: %2").arg(ClassicNumber(error.Number())).arg(DisplayedText(error.Description())),
                  QMessageBox::Ok, &window_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void QtWindowServices::EndProgram() {
  window_.close();
  QCoreApplication::exit(0);
}

void QtWindowServices::BeginCommit() { sinceYield_.invalidate(); }

void QtWindowServices::EndCommit() { EndProgress(); }

void QtWindowServices::EndProgress() {
  progress_.reset();
  renamingClock_.invalidate();
}

// Window-modal and without a cancel button: the commit has no way to stop part-way.
void QtWindowServices::OpenProgress() {
  progress_ = std::make_unique<QProgressDialog>(&window_);
  progress_->setWindowTitle(QApplication::applicationDisplayName());
  progress_->setCancelButton(nullptr);
  progress_->setRange(0, kProgressSteps);
  progress_->setMinimumDuration(0);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  progress_->setWindowModality(Qt::WindowModal);
  progress_->show();
}

}  // namespace tolvane
