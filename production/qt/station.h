#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstddef>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/device_inventory.h"
#include "production/qt/part_run.h"
#include "production/qt/setup.h"

namespace tessimor::production {

enum class TileState { kWaiting, kProgramming, kPassed, kFailed, kGone };

// One socket of the station: its adapter, what it does now, and its counts since the station
// opened.
struct Tile {
  Socket socket;
  TileState state = TileState::kWaiting;
  PartStatus part;  // the running part, or the last one
  int passed = 0;
  int failed = 0;
};

struct Totals {
  int passed = 0;
  int failed = 0;
  double parts_per_hour = 0;  // passed, over the time since the first part began
};

// The production bench: a tile per adapter, each programming its part on its own session, all in
// the calling thread's event loop. Adapters are looked for now and then, so one plugged in gets a
// tile and one pulled is marked gone, its running part failed and recorded.
class Station : public QObject {
  Q_OBJECT

 public:
  // `ports` empty: every adapter the inventory lists. Otherwise a tile for each device named,
  // present while its device file exists.
  Station(Production& production, DeviceInventory& inventory, std::vector<std::string> ports);
  ~Station() override;

  // Looks now, then every kLookMs while the event loop runs.
  void Watch();
  // One look at the adapters present.
  void Look();

  // A tile whose adapter is present and that is not programming starts its next part.
  void Start(std::size_t tile);
  // Every such tile.
  void StartAll();
  // On: a tile starts by itself when its adapter appears.
  void SetAuto(bool on);
  bool Auto() const { return auto_; }
  // The running parts failed as interrupted and recorded; nothing more starts.
  void Stop();

  const std::vector<Tile>& Tiles() const { return tiles_; }
  bool Startable(std::size_t tile) const;
  bool Programming() const { return Running() > 0; }
  // How many tiles are programming a part.
  std::size_t Running() const;
  // Parts per hour from the first start to the last end, so an idle bench keeps its figure.
  Totals TotalsNow() const;
  // "Series 3: start 100000 step 1", as the record numbers it.
  std::string SeriesText() const;
  // The number the next part would get, or why there is none.
  std::string NextNumberText() const;
  // What the record said last (its server gone, back, the journal sent), empty when nothing;
  // whether its server is away now.
  std::string RecordText() const;
  bool RecordAway() const;

  static constexpr int kLookMs = 500;
  // A part's progress within a stage is told at most this often, as a face can show it; a new
  // stage at once.
  static constexpr int kProgressMs = 100;

 signals:
  void TileAdded(std::size_t tile);
  void TileChanged(std::size_t tile);
  // The totals, or the next number, are others.
  void TotalsChanged();
  // RecordText or RecordAway are others.
  void RecordChanged();

 private:
  // nullopt when the inventory cannot be read, which says nothing about what is plugged in.
  std::optional<std::vector<Socket>> PresentSockets();
  std::size_t OwnTile(const Socket& socket) const;
  void PartEnded(std::size_t tile);
  // Asks whether the server is there, or back, and tells what the record has to say.
  void HearRecord();

  Production& production_;
  DeviceInventory& inventory_;
  std::vector<std::string> ports_;
  QElapsedTimer clock_;
  std::vector<Tile> tiles_;
  std::vector<std::unique_ptr<PartRun>> runs_;  // by tile; null when none runs
  QTimer look_;
  QTimer tell_progress_;
  std::set<std::size_t> progressed_;  // tiles whose progress is still to be told
  std::string record_text_;
  bool auto_ = false;
  bool stopped_ = false;
  std::int64_t first_start_ms_ = -1;
  std::int64_t last_end_ms_ = -1;
};

}  // namespace tessimor::production
