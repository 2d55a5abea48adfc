#include "production/qt/station.h"

#include <QFileInfo>
#include <algorithm>
#include <utility>

namespace tessimor::production {

namespace {

constexpr double kMsPerHour = 3600.0 * 1000.0;
constexpr char kNoNumberWhileAway[] = "none while the record server is away";

std::string UnpluggedText(const std::string& port) {
  return "The adapter on " + port + " was unplugged.";
}

}  // namespace

Station::Station(Production& production, DeviceInventory& inventory, std::vector<std::string> ports)
    : production_(production), inventory_(inventory), ports_(std::move(ports)) {
  clock_.start();
  // Coarse: a look is due twice a second, and may as well share the wake-up with other timers.
  look_.setTimerType(Qt::CoarseTimer);
  look_.setInterval(kLookMs);
  connect(&look_, &QTimer::timeout, this, &Station::Look);
  tell_progress_.setSingleShot(true);
  tell_progress_.setInterval(kProgressMs);
  connect(&tell_progress_, &QTimer::timeout, this, [this] {
    for (const std::size_t tile : std::exchange(progressed_, {})) emit TileChanged(tile);
  });
}

Station::~Station() {
  Stop();
}

void Station::Watch() {
  Look();
  look_.start();
}

std::optional<std::vector<Socket>> Station::PresentSockets() {
  if (ports_.empty()) return PresentAdapters(inventory_);
  std::vector<Socket> present;
  for (const std::string& port : ports_) {
    if (QFileInfo::exists(QString::fromStdString(port))) present.push_back(Socket{port, {}});
  }
  return present;
}

// The adapter's own tile: by its USB serial number, or else by its device.
std::size_t Station::OwnTile(const Socket& socket) const {
  return static_cast<std::size_t>(
      std::find_if(tiles_.begin(), tiles_.end(),
                   [&](const Tile& tile) {
                     return socket.usb_serial.empty()
                                ? tile.socket.port == socket.port && tile.socket.usb_serial.empty()
                                : tile.socket.usb_serial == socket.usb_serial;
                   }) -
      tiles_.begin());
}

void Station::HearRecord() {
  Record& record = *production_.record;
  const bool was_away = !record.Away().empty();
  record.Check();
  std::string said;
  for (const std::string& news : record.TakeNews()) said += (said.empty() ? "" : "\n") + news;
  // Away, what waits in the journal grows with every part that ends.
  if (said.empty() && record.Away().empty()) return;
  if (!said.empty()) record_text_ = said;
  emit RecordChanged();
  if (was_away && record.Away().empty()) {
    emit TotalsChanged();
    // The parts that waited for the server start now.
    if (auto_) {
      for (std::size_t i = 0; i < tiles_.size(); ++i) {
        if (tiles_[i].state == TileState::kWaiting) Start(i);
      }
    }
  }
}

std::string Station::RecordText() const {
  return RecordAway() ? production_.record->AwayText() : record_text_;
}

bool Station::RecordAway() const {
  return !production_.record->Away().empty();
}

void Station::Look() {
  if (stopped_) return;
  HearRecord();
  const std::optional<std::vector<Socket>> present = PresentSockets();
  if (!present) return;
  std::vector<bool> seen(tiles_.size(), false);
  std::vector<Socket> strangers;
  std::vector<std::size_t> back;
  for (const Socket& socket : *present) {
    const std::size_t own = OwnTile(socket);
    if (own == tiles_.size()) {
      strangers.push_back(socket);
      continue;
    }
    seen[own] = true;
    if (tiles_[own].state == TileState::kGone) {
      tiles_[own].socket = socket;
      back.push_back(own);
    }
  }
  for (std::size_t i = 0; i < seen.size(); ++i) {
    if (seen[i] || tiles_[i].state == TileState::kGone) continue;
    tiles_[i].state = TileState::kGone;
    if (runs_[i] && !runs_[i]->Finished()) {
      runs_[i]->Interrupt(UnpluggedText(tiles_[i].socket.port));
    } else {
      emit TileChanged(i);
    }
  }
  // A new adapter takes the tile of one gone from its device, as where parts carry their own.
  for (const Socket& socket : strangers) {
    const auto gone = std::find_if(tiles_.begin(), tiles_.end(), [&](const Tile& tile) {
      return tile.state == TileState::kGone && tile.socket.port == socket.port;
    });
    if (gone != tiles_.end()) {
      gone->socket = socket;
      back.push_back(static_cast<std::size_t>(gone - tiles_.begin()));
      continue;
    }
    Tile tile;
    tile.socket = socket;
    tile.part.socket = socket;
    tiles_.push_back(std::move(tile));
    runs_.push_back(nullptr);
    emit TileAdded(tiles_.size() - 1);
    if (auto_) Start(tiles_.size() - 1);
  }
  for (const std::size_t i : back) {
    tiles_[i].state = TileState::kWaiting;
    tiles_[i].part = PartStatus{};
    tiles_[i].part.socket = tiles_[i].socket;
    emit TileChanged(i);
    if (auto_) Start(i);
  }
}

bool Station::Startable(std::size_t tile) const {
  return !stopped_ && !RecordAway() && tile < tiles_.size() &&
         tiles_[tile].state != TileState::kGone && tiles_[tile].state != TileState::kProgramming;
}

std::size_t Station::Running() const {
  return static_cast<std::size_t>(std::count_if(tiles_.begin(), tiles_.end(), [](const Tile& tile) {
    return tile.state == TileState::kProgramming;
  }));
}

void Station::Start(std::size_t tile) {
  if (!Startable(tile)) return;
  if (first_start_ms_ < 0) first_start_ms_ = clock_.elapsed();
  Tile& started = tiles_[tile];
  started.state = TileState::kProgramming;
  runs_[tile] = std::make_unique<PartRun>(*production_.record, production_.golden, production_.plan,
                                          production_.settings, started.socket);
  PartRun& run = *runs_[tile];
  started.part = run.Status();
  connect(&run, &PartRun::Changed, this, [this, tile, &run] {
    const Stage was = tiles_[tile].part.stage;
    tiles_[tile].part = run.Status();
    if (run.Status().stage == was) {
      progressed_.insert(tile);
      if (!tell_progress_.isActive()) tell_progress_.start();
      return;
    }
    emit TileChanged(tile);
    // A number was taken: the next one is another.
    if (was == Stage::kReserving) emit TotalsChanged();
  });
  connect(&run, &PartRun::Ended, this, [this, tile] { PartEnded(tile); });
  emit TileChanged(tile);
  run.Begin();
}

void Station::StartAll() {
  for (std::size_t i = 0; i < tiles_.size(); ++i) Start(i);
}

void Station::SetAuto(bool on) {
  auto_ = on;
}

void Station::Stop() {
  stopped_ = true;
  look_.stop();
  for (const auto& run : runs_) {
    if (run && !run->Finished()) run->Interrupt(kInterruptedText);
  }
}

void Station::PartEnded(std::size_t tile) {
  Tile& ended = tiles_[tile];
  ended.part = runs_[tile]->Status();
  const bool passed = ended.part.stage == Stage::kPassed;
  ++(passed ? ended.passed : ended.failed);
  if (ended.state != TileState::kGone)
    ended.state = passed ? TileState::kPassed : TileState::kFailed;
  last_end_ms_ = clock_.elapsed();
  // The port is let go once the part is done, from outside the part's own signal.
  QTimer::singleShot(0, this, [this, tile, run = runs_[tile].get()] {
    if (runs_[tile].get() == run) runs_[tile].reset();
  });
  emit TileChanged(tile);
  emit TotalsChanged();
  HearRecord();
}

Totals Station::TotalsNow() const {
  Totals totals;
  for (const Tile& tile : tiles_) {
    totals.passed += tile.passed;
    totals.failed += tile.failed;
  }
  if (first_start_ms_ >= 0 && last_end_ms_ > first_start_ms_) {
    totals.parts_per_hour = totals.passed * kMsPerHour / double(last_end_ms_ - first_start_ms_);
  }
  return totals;
}

std::string Station::SeriesText() const {
  const Numbering& numbering = production_.plan.numbering;
  return "Series " + std::to_string(production_.record->SeriesId()) + ": " +
         (numbering.counter ? NumberingText(numbering, {}) : "numbers from " + numbering.file_name);
}

std::string Station::NextNumberText() const {
  if (RecordAway()) return kNoNumberWhileAway;
  std::string error;
  const std::optional<std::string> next =
      production_.record->NextNumber(NumbersOf(production_.plan), &error);
  return next ? *next : error;
}

}  // namespace tessimor::production
