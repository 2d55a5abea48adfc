#pragma once

#include <QWidget>

namespace tessimor {

// How far a part is, as a flat bar. A progress bar repaints itself at once on each step it shows,
// a paint and a flush of its own per tile; this one asks for an update, so that the steps of all
// tiles are painted together, and paints two rectangles.
class ProgressStrip : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressStrip(QWidget* parent = nullptr);

  void SetPercent(int percent);
  int Percent() const { return percent_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int percent_ = 0;
};

}  // namespace tessimor
