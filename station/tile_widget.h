#pragma once

#include <QFrame>
#include <cstddef>
#include <optional>

#include "production/qt/station.h"

class QLabel;
class QPushButton;

namespace tessimor {

class ProgressStrip;

// One socket of the station as the operator sees it from the bench: its port, its state as a big
// word on a coloured band, what the part did, its counts and its own Start.
class TileWidget : public QFrame {
  Q_OBJECT

 public:
  TileWidget(production::Station& station, std::size_t tile, QWidget* parent = nullptr);

  // Shows the tile as the station has it now.
  void Refresh();
  QPushButton& StartButton() const { return *start_; }

 private:
  production::Station& station_;
  std::size_t tile_;
  QLabel* port_;
  QLabel* usb_serial_;
  QLabel* band_;
  ProgressStrip* progress_;
  QLabel* detail_;
  QLabel* counts_;
  QPushButton* start_;
  std::optional<production::TileState> shown_;  // on the band
};

}  // namespace tessimor
