#include "window/date_reading_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

namespace tolvane {

namespace {

// Counts are grouped by thousands with commas, as the window's numbers are, whatever the locale.
QString Grouped(std::size_t count) {
  return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qulonglong>(count));
}

}  // namespace

DateReadingBar::DateReadingBar(QWidget* parent)
    : QFrame(parent), text_(new QLabel(this)), cancel_(new QPushButton(tr("Cancel"), this)) {
  setObjectName(QStringLiteral("DateReadingBar"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  text_->setObjectName(QStringLiteral("DateReadingText"));
  cancel_->setObjectName(QStringLiteral("DateReadingCancel"));
  cancel_->setAutoDefault(false);
  cancel_->setFocusPolicy(Qt::NoFocus);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 2, 2, 2);
  layout->addWidget(text_, 1);
  layout->addWidget(cancel_);
  connect(cancel_, &QPushButton::clicked, this, &DateReadingBar::Stop);
  hide();
}

void DateReadingBar::Begin(DateReading& reading, std::size_t total) {
  reading_ = &reading;
  total_ = total;
  ShowProgress();
  show();
  raise();
}

void DateReadingBar::ShowProgress() {
  if (reading_ == nullptr) return;
  text_->setText(tr("Reading dates taken: %1 of %2").arg(Grouped(reading_->done), Grouped(total_)));
}

void DateReadingBar::End() {
  reading_ = nullptr;
  hide();
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
