// Form1 owns everything for its whole life: device inventory, serial port MSComm1, image files,
// transfer engine, receiver, file dialogs, message boxes and Timer1. Clicks start operations in
// the engine; Timer1 drives the receiver, whose reply lines and timeout drive the engine. The
// engine reaches the window only through WindowOps, and reports each operation's end, which the
// window passes on as OperationEnded. The command-line tool (cli/) drives the same engine.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string_view>

#include "engine/image_files.h"
#include "engine/operation_observer.h"
#include "engine/transfer_engine.h"
#include "link/receiver.h"
#include "link/window_ops.h"
#include "platform/device_inventory.h"
#include "platform/file_dialogs.h"
#include "platform/message_boxes.h"
#include "platform/serial_port.h"
#include "ui/diagnostic_panel.h"

namespace tessimor {

// What the window is given to work with. Dialogs and message boxes left empty become the Qt
// ones, owned by the window.
struct Form1Parts {
  std::unique_ptr<DeviceInventory> inventory;
  std::unique_ptr<SerialPort> port;
  std::unique_ptr<FileDialogs> dialogs;
  std::unique_ptr<MessageBoxes> messages;
  // Ends the program at once, without the unload sequence.
  std::function<void()> end_program;
};

// The real program's parts: the port resolved through `inventory`, Qt dialogs and boxes.
Form1Parts QtParts(std::unique_ptr<DeviceInventory> inventory);

// The image file filter given to both dialogs; "*" so files without a dot are listed too.
inline constexpr std::string_view kImageFileFilter = "Text Files (*.txt);;All Files (*)";

class Form1 : public QWidget, public WindowOps, private OperationObserver {
  Q_OBJECT

 public:
  explicit Form1(Form1Parts parts);
  ~Form1() override;

  // Waits a short while at most for the window to be shown, cuts it to its start-up height and
  // connects the adapter; once, after show().
  void Load();
  // Abandons a running operation and closes the port; safe to call more than once.
  void Unload();

  void EnableButtons() override;
  void DisableButtons() override;
  void SetStatus(const std::string& text) override;
  void ShowMessage(const std::string& text) override;

  TransferEngine& engine() { return engine_; }
  Receiver& receiver() { return receiver_; }

 signals:
  // Each operation's end, as the engine reports it.
  void OperationEnded(tessimor::Outcome outcome);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Advanced(std::size_t, std::uint32_t) override {}
  void Ended(const OperationEnd& end) override { emit OperationEnded(end.outcome); }
  void WaitUntilShown();
  void ApplyStartHeight();
  void OnReadClicked();
  void OnWriteClicked();
  void SetMainFonts();
  void SetTabOrder();

  std::unique_ptr<DeviceInventory> inventory_;
  std::unique_ptr<SerialPort> MSComm1;
  std::unique_ptr<FileDialogs> CommonDialog1;
  std::unique_ptr<MessageBoxes> messages_;
  std::function<void()> end_program_;
  ImageFiles files_;
  TransferEngine engine_;
  Receiver receiver_;

  QPushButton* cmdRead;
  QPushButton* cmdWrite;
  QPushButton* cmdFF;
  QLabel* lblStatus;
  DiagnosticPanel panel_;
  QTimer Timer1;
  bool unloaded_ = false;
};

}  // namespace tessimor
