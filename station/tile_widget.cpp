#include "station/tile_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "station/progress_strip.h"

namespace tessimor {

namespace {

using production::Stage;
using production::Tile;
using production::TileState;

// Big enough to read from a metre away at the bench.
constexpr double kBandFontScale = 3.0;
// The number and the reason, read closer up.
constexpr double kDetailFontScale = 1.3;
constexpr int kBandPaddingPx = 6;
// Room for a reason of two lines, so tiles keep their height as their words change.
constexpr int kDetailLines = 2;
constexpr int kPercent = 100;

constexpr char kStartCaption[] = "Start";
constexpr char kSocketName[] = "Socket ";
constexpr char kStartName[] = "Start ";
constexpr char kUsbSerial[] = "USB ";
constexpr char kSerial[] = "serial ";
const std::string kComma = ", ";
constexpr char kSecondsUnit[] = " s";
constexpr char kRework[] = " (rework)";
constexpr char kLast[] = "Last: ";
constexpr char kPassed[] = " passed  ";
constexpr char kFailed[] = " failed";

// How a state looks: the band's word and colours (each pair above 4.5:1 contrast), and the word a
// screen reader says.
struct Look {
  const char* word;
  const char* spoken;
  const char* background;
  const char* foreground;
};

Look LookOf(TileState state) {
  switch (state) {
    case TileState::kWaiting:
      return {"WAITING", "Waiting", "#d6d6d6", "#000000"};
    case TileState::kProgramming:
      return {"PROGRAMMING", "Programming", "#1565c0", "#ffffff"};
    case TileState::kPassed:
      return {"PASS", "Passed", "#1b5e20", "#ffffff"};
    case TileState::kFailed:
      return {"FAIL", "Failed", "#b71c1c", "#ffffff"};
    case TileState::kGone:
      return {"GONE", "Gone", "#3a3a3a", "#ffffff"};
  }
  return {"", "", "", ""};
}

// What the part did, as the line under the band.
std::string PassedText(const production::PartStatus& part) {
  return kSerial + part.serial + (part.rework ? kRework : "") + kComma +
         production::SecondsText(part.seconds) + kSecondsUnit;
}

// The number a failed part had taken is named: the record holds it, and so may a label.
std::string FailedText(const production::PartStatus& part) {
  return part.serial.empty() ? part.error : kSerial + part.serial + ": " + part.error;
}

std::string DetailOf(const Tile& tile) {
  const production::PartStatus& part = tile.part;
  switch (tile.state) {
    case TileState::kWaiting:
      return "";
    case TileState::kProgramming:
      return production::StageName(part.stage) +
             (part.serial.empty() ? "" : kComma + (kSerial + part.serial));
    case TileState::kPassed:
      return PassedText(part);
    case TileState::kFailed:
      return FailedText(part);
    case TileState::kGone:
      if (part.stage == Stage::kPassed) {
        return kLast + production::StageName(part.stage) + kComma + PassedText(part);
      }
      if (part.stage == Stage::kFailed) {
        return kLast + production::StageName(part.stage) + kComma + FailedText(part);
      }
      return "";
  }
  return "";
}

int PercentDone(const production::PartStatus& part) {
  return part.total == 0 ? 0 : static_cast<int>(part.done * kPercent / part.total);
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

TileWidget::TileWidget(production::Station& station, std::size_t tile, QWidget* parent)
    : QFrame(parent),
      station_(station),
      tile_(tile),
      port_(new QLabel(this)),
      usb_serial_(new QLabel(this)),
      band_(new QLabel(this)),
      progress_(new ProgressStrip(this)),
      detail_(new QLabel(this)),
      counts_(new QLabel(this)),
      start_(new QPushButton(kStartCaption, this)) {
  setFrameShape(QFrame::StyledPanel);
  // Taken by Tab only, so a click leaves Space and Enter to mean every tile.
  start_->setFocusPolicy(Qt::TabFocus);
  start_->setAutoDefault(false);
  connect(start_, &QPushButton::clicked, this, [this] { station_.Start(tile_); });

  band_->setObjectName("state");
  detail_->setObjectName("detail");
  counts_->setObjectName("counts");
  for (QLabel* label : {port_, usb_serial_, band_, detail_, counts_}) {
    // Device names and reasons are shown as they are, never taken for markup.
    label->setTextFormat(Qt::PlainText);
  }
  QFont bold = port_->font();
  bold.setBold(true);
  port_->setFont(bold);
  usb_serial_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  QFont big = band_->font();
  big.setPointSizeF(big.pointSizeF() * kBandFontScale);
  big.setBold(true);
  band_->setFont(big);
  band_->setAlignment(Qt::AlignCenter);

  QSizePolicy kept = progress_->sizePolicy();
  kept.setRetainSizeWhenHidden(true);
  progress_->setSizePolicy(kept);

  QFont detail = detail_->font();
  detail.setPointSizeF(detail.pointSizeF() * kDetailFontScale);
  detail_->setFont(detail);
  detail_->setWordWrap(true);
  detail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  detail_->setMinimumHeight(detail_->fontMetrics().lineSpacing() * kDetailLines);

  auto* top = new QHBoxLayout;
  top->addWidget(port_, 1);
  top->addWidget(usb_serial_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(counts_, 1);
  bottom->addWidget(start_);
  auto* column = new QVBoxLayout(this);
  column->addLayout(top);
  // Spare height goes to the band: its colour is what is seen first from across the bench.
  column->addWidget(band_, 1);
  column->addWidget(progress_);
  column->addWidget(detail_);
  column->addLayout(bottom);
  Refresh();
}

void TileWidget::Refresh() {
  const Tile& tile = station_.Tiles()[tile_];
  const Look look = LookOf(tile.state);
  // An adapter back on another device keeps its tile.
  port_->setText(Q(tile.socket.port));
  setAccessibleName(Q(kSocketName + tile.socket.port));
  start_->setAccessibleName(Q(kStartName + tile.socket.port));
  usb_serial_->setText(tile.socket.usb_serial.empty() ? QString()
                                                      : Q(kUsbSerial + tile.socket.usb_serial));
  // A style sheet is polished anew and the band repainted whole each time one is set: only when
  // the state changes, never on progress.
  if (shown_ != tile.state) {
    shown_ = tile.state;
    band_->setText(look.word);
    band_->setStyleSheet(QString("QLabel { background-color: %1; color: %2; padding: %3px; }")
                             .arg(look.background, look.foreground)
                             .arg(kBandPaddingPx));
  }
  const bool programming = tile.state == TileState::kProgramming;
  progress_->setVisible(programming);
  progress_->SetPercent(PercentDone(tile.part));
  const std::string detail = DetailOf(tile);
  detail_->setText(Q(detail));
  counts_->setText(
      Q(std::to_string(tile.passed) + kPassed + std::to_string(tile.failed) + kFailed));

  std::string description = look.spoken;
  if (!detail.empty()) description += ": " + detail;
  if (programming) description += ", " + std::to_string(PercentDone(tile.part)) + " %";
  setAccessibleDescription(Q(description));

  const bool startable = station_.Startable(tile_);
  // A focused Start that turns off hands the keys back to the window, where they mean every tile,
  // rather than to the next tile's Start.
  if (!startable && start_->hasFocus()) window()->setFocus();
  start_->setEnabled(startable);
}

}  // namespace tessimor
