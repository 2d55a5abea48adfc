#include "station/station_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "station/tile_widget.h"
#include "ui/app_icon.h"

namespace tessimor {

namespace {

constexpr char kNext[] = "Next: ";
constexpr char kStartAll[] = "Start all";
constexpr char kAuto[] = "Auto";
// The failed band's colours, so the banner reads as the same alarm.
constexpr char kAlarmStyle[] =
    "QLabel { background-color: #b71c1c; color: #ffffff; padding: 6px; }";
constexpr int kStartWidth = 1000;
constexpr int kStartHeight = 680;
constexpr double kHeadFontScale = 1.3;
constexpr int kStartKeys[] = {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter};

bool IsStartKey(const QEvent& event) {
  if (event.type() != QEvent::ShortcutOverride && event.type() != QEvent::KeyPress) return false;
  const auto& key = static_cast<const QKeyEvent&>(event);
  if (key.modifiers() & ~Qt::KeypadModifier) return false;
  for (int start : kStartKeys) {
    if (key.key() == start) return true;
  }
  return false;
}

std::string TotalsText(const production::Totals& totals) {
  return "Passed " + std::to_string(totals.passed) + "  Failed " + std::to_string(totals.failed) +
         "  " + std::to_string(std::lround(totals.parts_per_hour)) + " parts/hour";
}

std::string CloseQuestion(std::size_t running) {
  return running == 1
             ? "1 part is being programmed. Close and fail it?"
             : std::to_string(running) + " parts are being programmed. Close and fail them?";
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

StationWindow::StationWindow(production::Station& station, QWidget* parent)
    : QWidget(parent),
      station_(station),
      series_(new QLabel(this)),
      next_number_(new QLabel(this)),
      totals_(new QLabel(this)),
      start_all_(new QPushButton(kStartAll, this)),
      auto_(new QCheckBox(kAuto, this)),
      message_(new QLabel(this)),
      grid_(new QGridLayout) {
  setWindowTitle(kStationTitle);
  setWindowIcon(AppIcon());
  resize(kStartWidth, kStartHeight);

  QFont head = series_->font();
  head.setPointSizeF(head.pointSizeF() * kHeadFontScale);
  head.setBold(true);
  for (QLabel* label : {series_, next_number_, totals_, message_}) {
    label->setTextFormat(Qt::PlainText);
  }
  for (QLabel* label : {series_, next_number_, totals_}) label->setFont(head);
  start_all_->setFont(head);
  auto_->setFont(head);
  message_->setWordWrap(true);
  for (QWidget* button : {static_cast<QWidget*>(start_all_), static_cast<QWidget*>(auto_)}) {
    LetTakeKeys(*button);
  }
  auto_->setChecked(station_.Auto());
  connect(start_all_, &QPushButton::clicked, this, [this] { station_.StartAll(); });
  connect(auto_, &QCheckBox::toggled, this, [this](bool on) { station_.SetAuto(on); });

  for (int key : kStartKeys) {
    auto* shortcut = new QShortcut(QKeySequence(key), this);
    connect(shortcut, &QShortcut::activated, this, [this] { station_.StartAll(); });
  }

  auto* bar = new QHBoxLayout;
  bar->addWidget(series_);
  bar->addSpacing(head.pointSize() * 2);
  bar->addWidget(next_number_);
  bar->addStretch(1);
  bar->addWidget(totals_);
  bar->addSpacing(head.pointSize() * 2);
  bar->addWidget(start_all_);
  bar->addWidget(auto_);

  // Many sockets still fit: the grid scrolls rather than squeezing tiles unreadable.
  auto* tiles = new QWidget;
  tiles->setLayout(grid_);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(tiles);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setFocusPolicy(Qt::NoFocus);

  auto* column = new QVBoxLayout(this);
  column->addLayout(bar);
  column->addWidget(message_);
  column->addWidget(scroll, 1);
  message_->hide();

  connect(&station_, &production::Station::TileAdded, this, &StationWindow::AddTile);
  connect(&station_, &production::Station::TileChanged, this, [this](std::size_t tile) {
    tiles_[tile]->Refresh();
    ShowStartable();
  });
  connect(&station_, &production::Station::TotalsChanged, this, &StationWindow::ShowTotals);
  connect(&station_, &production::Station::RecordChanged, this, &StationWindow::ShowRecord);
  for (std::size_t tile = 0; tile < station_.Tiles().size(); ++tile) AddTile(tile);
  ShowTotals();
  ShowStartable();
}

void StationWindow::ShowMessage(const std::string& text, bool alarm) {
  message_->setText(Q(text));
  message_->setVisible(!text.empty());
  message_->setStyleSheet(alarm ? kAlarmStyle : "");
}

// The server away stops every tile's Start; back, they go again.
void StationWindow::ShowRecord() {
  ShowMessage(station_.RecordText(), station_.RecordAway());
  for (TileWidget* tile : tiles_) tile->Refresh();
  ShowStartable();
}

void StationWindow::AddTile(std::size_t tile) {
  auto* widget = new TileWidget(station_, tile);
  LetTakeKeys(widget->StartButton());
  tiles_.push_back(widget);
  Reflow();
  ShowStartable();
}

void StationWindow::Reflow() {
  const int count = static_cast<int>(tiles_.size());
  const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(count))));
  for (TileWidget* tile : tiles_) grid_->removeWidget(tile);
  for (int i = 0; i < count; ++i) grid_->addWidget(tiles_[i], i / columns, i % columns);
  // Tiles share the room alike.
  const int rows = (count + columns - 1) / columns;
  for (int column = 0; column < grid_->columnCount(); ++column) {
    grid_->setColumnStretch(column, column < columns ? 1 : 0);
  }
  for (int row = 0; row < grid_->rowCount(); ++row) grid_->setRowStretch(row, row < rows ? 1 : 0);
}

void StationWindow::ShowTotals() {
  series_->setText(Q(station_.SeriesText()));
  next_number_->setText(Q(kNext + station_.NextNumberText()));
  totals_->setText(Q(TotalsText(station_.TotalsNow())));
}

void StationWindow::ShowStartable() {
  bool any = false;
  for (std::size_t tile = 0; tile < station_.Tiles().size(); ++tile) {
    any = any || station_.Startable(tile);
  }
  start_all_->setEnabled(any);
}

void StationWindow::LetTakeKeys(QWidget& button) {
  button.installEventFilter(this);
}

bool StationWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* button = qobject_cast<QAbstractButton*>(watched);
  if (button == nullptr || !IsStartKey(*event)) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::ShortcutOverride) {
    // The focused button's own key, not the window's Start all.
    event->accept();
    return true;
  }
  // A button clicks on Space by itself; Enter on one outside a dialog would pass it on.
  if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) return false;
  button->click();
  return true;
}

void StationWindow::closeEvent(QCloseEvent* event) {
  const std::size_t running = station_.Running();
  if (running > 0 && QMessageBox::question(this, kStationTitle, Q(CloseQuestion(running)),
                                           QMessageBox::Yes | QMessageBox::No,
                                           QMessageBox::No) != QMessageBox::Yes) {
    event->ignore();
    return;
  }
  station_.Stop();
  event->accept();
}

}  // namespace tessimor
