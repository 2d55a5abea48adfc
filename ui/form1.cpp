#include "ui/form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>

#include "link/discovery.h"
#include "link/protocol.h"
#include "platform/qt/serial_port.h"
#include "platform/qt/widgets/dialogs.h"
#include "ui/app_icon.h"
#include "ui/controls.h"
#include "ui/fonts.h"

namespace tessimor {

namespace {

// How long Load waits at most for the window system to show the window.
constexpr int kShowWaitMs = 1000;

// A full read reply with its address: the widest line the status label has to show whole.
QString WidestStatusLine() {
  std::string line = std::string(protocol::kReadCommand) + "0000:";
  for (int i = 0; i < protocol::kBytesPerLine; ++i) line += protocol::kFillByte;
  return ToQString(line);
}

}  // namespace

Form1Parts QtParts(std::unique_ptr<DeviceInventory> inventory) {
  Form1Parts parts;
  DeviceInventory* listing = inventory.get();
  parts.port = std::make_unique<QtSerialPort>(
      [listing](int number) { return listing->ResolvePort(number); });
  parts.inventory = std::move(inventory);
  parts.end_program = [] { std::_Exit(EXIT_FAILURE); };
  return parts;
}

Form1::Form1(Form1Parts parts)
    : inventory_(std::move(parts.inventory)),
      MSComm1(std::move(parts.port)),
      CommonDialog1(parts.dialogs ? std::move(parts.dialogs)
                                  : std::make_unique<QtFileDialogs>(this)),
      messages_(parts.messages
                    ? std::move(parts.messages)
                    : std::make_unique<QtMessageBoxes>(this, ToQString(layout::kWindowTitle))),
      end_program_(std::move(parts.end_program)),
      engine_(*MSComm1, *this, files_),
      receiver_(*MSComm1, engine_),
      cmdRead(MakeButton(*this, layout::kCmdRead)),
      cmdWrite(MakeButton(*this, layout::kCmdWrite)),
      cmdFF(MakeButton(*this, layout::kCmdFF)),
      lblStatus(new QLabel(this)),
      panel_(*this, *MSComm1, engine_) {
  engine_.SetObserver(this);
  setWindowTitle(ToQString(layout::kWindowTitle));
  setWindowIcon(AppIcon());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(layout::Pixels(layout::kDesignWidth), layout::Pixels(layout::kDesignHeight));

  Place(*lblStatus, layout::kLblStatus);
  // Reply bytes are shown as they came, never taken for markup.
  lblStatus->setTextFormat(Qt::PlainText);
  lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  SetMainFonts();
  SetTabOrder();
  panel_.Command5->setFocus();

  connect(cmdRead, &QPushButton::clicked, this, &Form1::OnReadClicked);
  connect(cmdWrite, &QPushButton::clicked, this, &Form1::OnWriteClicked);
  connect(cmdFF, &QPushButton::clicked, this, [this] { engine_.StartFill(); });

  Timer1.setTimerType(Qt::PreciseTimer);
  Timer1.setInterval(protocol::kTickMs);
  connect(&Timer1, &QTimer::timeout, this, [this] { receiver_.PollReceiver(); });
  Timer1.start();
}

Form1::~Form1() {
  // Nothing connected to OperationEnded may be called from a half-destroyed window.
  engine_.SetObserver(nullptr);
  Unload();
}

void Form1::SetMainFonts() {
  const QFont button_font =
      DesignFont(layout::kMainFontFamily, layout::kButtonPointSize, /*bold=*/true);
  for (QPushButton* button : {cmdRead, cmdWrite, cmdFF}) {
    button->setFont(button_font);
    FitCaption(*button);
  }
  lblStatus->setFont(DesignFont(layout::kMainFontFamily, layout::kStatusPointSize, /*bold=*/true));
  FitLabel(*lblStatus, WidestStatusLine());
}

void Form1::SetTabOrder() {
  // By tab index; the label takes no focus.
  QWidget* const order[] = {panel_.Command5, panel_.Command6, panel_.Command7, panel_.Command1,
                            cmdRead,         panel_.Command3, panel_.Command4, cmdFF,
                            panel_.Command9, cmdWrite};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }
}

void Form1::ApplyStartHeight() {
  const int frame_height = frameGeometry().height() - geometry().height();
  const int design_client = layout::Pixels(layout::kStartClientHeight);
  int client =
      frame_height > 0 ? layout::Pixels(layout::kStartOuterHeight) - frame_height : design_client;
  // A frame thinner than the designed one (a bare border) would uncover the panel; one thicker
  // would cut into the status line.
  const int panel_top = std::min(panel_.Command5->y(), panel_.Command3->y());
  client =
      std::clamp(client, lblStatus->geometry().bottom() + 1, std::min(design_client, panel_top));
  setFixedHeight(client);
}

void Form1::WaitUntilShown() {
  // Until the window manager has placed and framed the window, its frame is unknown, and a
  // message box would be centred on where the window stood before: a corner of the screen.
  // Timer1's ticks end each wait, so the deadline is seen.
  const QDeadlineTimer deadline(kShowWaitMs);
  while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
  }
}

void Form1::Load() {
  WaitUntilShown();
  ApplyStartHeight();
  ConnectAdapter(*inventory_, *MSComm1, *this, end_program_);
  // Should ending the program return after all, nothing here may be used without a port.
  if (!MSComm1->IsOpen()) setEnabled(false);
}

void Form1::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  Timer1.stop();
  // Closes any image file the running operation still holds.
  engine_.EndOperation();
  DisconnectAdapter(*MSComm1);
}

void Form1::closeEvent(QCloseEvent* event) {
  Unload();
  event->accept();
}

void Form1::OnReadClicked() {
  const std::string path = CommonDialog1->AskSavePath(std::string(kImageFileFilter));
  if (!path.empty()) engine_.StartRead(path);
}

void Form1::OnWriteClicked() {
  const std::string path = CommonDialog1->AskOpenPath(std::string(kImageFileFilter));
  if (!path.empty()) engine_.StartWrite(path);
}

void Form1::EnableButtons() {
  cmdRead->setEnabled(true);
  cmdWrite->setEnabled(true);
  cmdFF->setEnabled(true);
  MSComm1->SetPolled(false);
}

// The buttons are off while an operation of theirs runs, and Timer1 asks the port every tick then
// anyway; idle, the port must watch for an unplug itself.
void Form1::DisableButtons() {
  MSComm1->SetPolled(true);
  cmdRead->setEnabled(false);
  cmdWrite->setEnabled(false);
  cmdFF->setEnabled(false);
}

void Form1::SetStatus(const std::string& text) {
  // One character per received byte, whatever its value.
  lblStatus->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void Form1::ShowMessage(const std::string& text) {
  messages_->ShowCritical(text);
}

}  // namespace tessimor
