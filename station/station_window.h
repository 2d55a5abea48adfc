#pragma once

#include <QWidget>
#include <cstddef>
#include <string>
#include <vector>

#include "production/qt/station.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;

namespace tessimor {

class TileWidget;

inline constexpr char kStationTitle[] = "Tessimor EEPROM Station";

// The station's face: the series, the next number and the totals above a grid of tiles, one per
// socket. Every rule is the station's; this shows its state on its signals and passes the
// operator's presses on.
//
// Keys: Space or Enter starts every waiting tile, from anywhere in the window, as an operator with
// both hands on parts expects. Only a button reached with Tab takes them itself: a tile's Start
// then starts that tile alone, Auto is switched.
class StationWindow : public QWidget {
  Q_OBJECT

 public:
  explicit StationWindow(production::Station& station, QWidget* parent = nullptr);

  // A line for the operator under the totals, e.g. parts an ended run left interrupted; on red
  // when it is an `alarm`, such as the record's server away.
  void ShowMessage(const std::string& text, bool alarm = false);

  const std::vector<TileWidget*>& TileWidgets() const { return tiles_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void AddTile(std::size_t tile);
  void Reflow();
  // The series, the next number and the totals: a look in the record, so only when they change.
  void ShowTotals();
  void ShowStartable();
  void ShowRecord();
  // The buttons take Space and Enter themselves when focused.
  void LetTakeKeys(QWidget& button);

  production::Station& station_;
  QLabel* series_;
  QLabel* next_number_;
  QLabel* totals_;
  QPushButton* start_all_;
  QCheckBox* auto_;
  QLabel* message_;
  QGridLayout* grid_;
  std::vector<TileWidget*> tiles_;
};

}  // namespace tessimor
