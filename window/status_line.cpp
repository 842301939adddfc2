#include "window/status_line.h"

#include <QHBoxLayout>
#include <QLabel>

namespace tolvane {

StatusLine::StatusLine(QWidget* parent) : QFrame(parent), text_(new QLabel(this)), layout_(new QHBoxLayout(this)) {
  setObjectName(QStringLiteral("StatusLine"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  text_->setObjectName(QStringLiteral("StatusLineText"));
  // A long name in a text must not widen the line past the list.
  text_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  layout_->setContentsMargins(6, 2, 2, 2);
  layout_->addWidget(text_, 1);
  hide();
}

void StatusLine::Say(Topic topic, const QString& text) {
  if (text.isEmpty()) {
    texts_.erase(topic);
  } else {
    texts_[topic] = text;
  }
  ShowMostUrgent();
}

void StatusLine::SetControl(Topic topic, QWidget* control) {
  control->setParent(this);
  layout_->addWidget(control);
  controls_[topic] = control;
  ShowMostUrgent();
}

void StatusLine::ShowMostUrgent() {
  const auto urgent = texts_.begin();
  for (const auto& [topic, control] : controls_) control->setVisible(urgent != texts_.end() && urgent->first == topic);
  if (urgent == texts_.end()) {
    text_->clear();
    hide();
    return;
  }
  text_->setText(urgent->second);
  text_->setToolTip(urgent->second);
  show();
  raise();
}

}  // namespace tolvane
