#include "window/date_reading_bar.h"

#include <QKeyEvent>
#include <QPushButton>

#include "platform/count_text.h"
#include "window/status_line.h"

namespace tolvane {

namespace {

QString Grouped(std::size_t count) { return QString::fromStdString(CountText(count)); }

}  // namespace

DateReadingBar::DateReadingBar(StatusLine& line)
    : QObject(&line), line_(line), cancel_(new QPushButton(tr("Cancel"))) {
  cancel_->setObjectName(QStringLiteral("DateReadingCancel"));
  cancel_->setAutoDefault(false);
  cancel_->setFocusPolicy(Qt::NoFocus);
  connect(cancel_, &QPushButton::clicked, this, &DateReadingBar::Stop);
  line_.SetControl(StatusLine::Topic::DateReading, cancel_);
}

void DateReadingBar::Begin(DateReading& reading, std::size_t total) {
  reading_ = &reading;
  total_ = total;
  ShowProgress();
}

void DateReadingBar::ShowProgress() {
  if (reading_ == nullptr) return;
  line_.Say(StatusLine::Topic::DateReading,
            tr("Reading dates taken: %1 of %2").arg(Grouped(reading_->done), Grouped(total_)));
}

void DateReadingBar::End() {
  reading_ = nullptr;
  line_.Say(StatusLine::Topic::DateReading, {});
}

bool DateReadingBar::Passes(QObject& receiver, const QEvent& event) {
  if (reading_ == nullptr) return false;
  if (&receiver == cancel_) return true;
  if (event.type() == QEvent::KeyPress && static_cast<const QKeyEvent&>(event).key() == Qt::Key_Escape) {
    Stop();
    return true;
  }
  return false;
}

void DateReadingBar::Stop() {
  if (reading_ != nullptr) reading_->stop = true;
}

}  // namespace tolvane
