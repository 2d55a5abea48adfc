#include "station/progress_strip.h"

#include <QPainter>
#include <algorithm>

namespace tessimor {

namespace {

constexpr int kFull = 100;

}  // namespace

ProgressStrip::ProgressStrip(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  // Every pixel is painted, so nothing under it need be.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressStrip::SetPercent(int percent) {
  percent = std::clamp(percent, 0, kFull);
  if (percent == percent_) return;
  percent_ = percent;
  update();
}

QSize ProgressStrip::sizeHint() const {
  return {kFull, fontMetrics().height()};
}

void ProgressStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int done = width() * percent_ / kFull;
  painter.fillRect(0, 0, done, height(), palette().color(QPalette::Highlight));
  painter.fillRect(done, 0, width() - done, height(), palette().color(QPalette::Mid));
}

}  // namespace tessimor
