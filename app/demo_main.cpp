// The window for people without an adapter: on a simulated adapter served on a fresh pty, or
// bound to a given serial device, skipping the search.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/demo_memory.h"
#include "platform/bound_inventory.h"
#include "sim/pty_server.h"
#include "ui/form1.h"

namespace {

// Long enough for the window to settle and a few ticks to run.
constexpr int kScreenshotDelayMs = 200;

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Shares the data directory with the real program.
  QApplication::setApplicationName("tessimor-eeprom");

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "The Tessimor EEPROM window on a simulated adapter, or on the serial device given.");
  parser.addHelpOption();
  const QCommandLineOption port_option(
      "port", "Use the serial device PATH (a pty or a real adapter) instead of the simulator.",
      "PATH");
  const QCommandLineOption screenshot_option("screenshot",
                                             "Save the loaded window as PNG and exit.", "PNG");
  parser.addOption(port_option);
  parser.addOption(screenshot_option);
  parser.process(app);
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "Unexpected argument: %s\n", qPrintable(parser.positionalArguments()[0]));
    return 2;
  }

  tessimor::AdapterSimulator adapter;
  tessimor::DemoMemory memory;
  std::optional<tessimor::PtyServer> server;
  std::string device = parser.value(port_option).toStdString();
  if (!parser.isSet(port_option)) {
    memory.Load(adapter.memory());
    server.emplace(adapter);
    if (!server->Start(/*hold_slave=*/true)) {
      std::fprintf(stderr, "Could not open a pseudo-terminal for the simulated adapter\n");
      return 1;
    }
    device = server->SlavePath();
  } else if (device.empty()) {
    std::fprintf(stderr, "--port needs a device path\n");
    return 2;
  }

  auto form = std::make_unique<tessimor::Form1>(
      tessimor::QtParts(std::make_unique<tessimor::BoundInventory>(device)));
  form->show();
  form->Load();

  int status = 0;
  if (parser.isSet(screenshot_option)) {
    const QString png = parser.value(screenshot_option);
    QTimer::singleShot(kScreenshotDelayMs, form.get(), [&form, &status, png] {
      if (!form->grab().save(png, "PNG")) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(png));
        status = 1;
      }
      QApplication::quit();
    });
  }
  const int exec_status = app.exec();
  // The port closes before the simulator stops, and the memory is kept once nobody changes it.
  form.reset();
  if (server) {
    server->Stop();
    if (!memory.Save(adapter.memory())) status = 1;
  }
  return status != 0 ? status : exec_status;
}
