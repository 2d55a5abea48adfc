// The window for people without an adapter: on a simulated adapter served on a fresh pty, or
// bound to a given serial device, skipping the search.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/demo_memory.h"
#include "platform/arguments.h"
#include "platform/bound_inventory.h"
#include "sim/pty_server.h"
#include "ui/form1.h"
#include "ui/window_application.h"

namespace {

// Long enough for the window to settle and a few ticks to run.
constexpr int kScreenshotDelayMs = 200;
constexpr int kBadUse = 2;
constexpr char kUsage[] =
    "Usage: tessimor-eeprom-demo [--port PATH] [--screenshot PNG]\n"
    "Opens the Tessimor EEPROM window on a simulated adapter served inside the program, to try\n"
    "the window without an adapter. The simulated EEPROM is kept between runs.\n"
    "\n"
    "  --port PATH       use the serial device PATH instead: a tessimor-sim pseudo-terminal or a\n"
    "                    real adapter\n"
    "  --screenshot PNG  save the loaded window as PNG and exit\n"
    "  --help            show this text\n"
    "  --version         show the version\n";
constexpr char kHelpOption[] = "--help";
constexpr char kVersionOption[] = "--version";
constexpr char kPortOption[] = "--port";
constexpr char kScreenshotOption[] = "--screenshot";

tessimor::ParsedCommandLine ParseArguments(int argc, char** argv) {
  return tessimor::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                    {{kHelpOption, "-h"},
                                     {kVersionOption, ""},
                                     {kPortOption, "", true},
                                     {kScreenshotOption, "", true}});
}

}  // namespace

int main(int argc, char** argv) {
  // These two are answered before the QApplication, which needs a display. Nothing else is
  // judged yet: the Qt options it takes out of the arguments are still among them.
  const tessimor::ParsedCommandLine given = ParseArguments(argc, argv);
  if (given.Has(kHelpOption)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (given.Has(kVersionOption)) {
    std::puts("tessimor-eeprom-demo " TESSIMOR_VERSION);
    return 0;
  }

  const auto app = tessimor::OpenWindowApplication(
      argc, argv, "tessimor-eeprom-demo",
      "./scripts/run.sh, in the source folder, starts it on a virtual one.");
  // Shares the data directory with the real program.
  QApplication::setApplicationName("tessimor-eeprom");
  const tessimor::ParsedCommandLine line = ParseArguments(argc, argv);
  if (!line.error.empty() || !line.words.empty()) {
    const std::string error =
        line.error.empty() ? "unexpected argument: " + line.words.front() : line.error;
    std::fprintf(stderr, "tessimor-eeprom-demo: %s\nTry --help.\n", error.c_str());
    return kBadUse;
  }

  tessimor::AdapterSimulator adapter;
  tessimor::DemoMemory memory;
  std::optional<tessimor::PtyServer> server;
  std::string device = line.Value(kPortOption);
  if (!line.Has(kPortOption)) {
    memory.Load(adapter.memory());
    server.emplace(adapter);
    if (!server->Start(/*hold_slave=*/true)) {
      std::fprintf(stderr, "Could not open a pseudo-terminal for the simulated adapter\n");
      return 1;
    }
    device = server->SlavePath();
  } else if (device.empty()) {
    std::fprintf(stderr, "tessimor-eeprom-demo: --port needs a device path\n");
    return kBadUse;
  }

  auto form = std::make_unique<tessimor::Form1>(
      tessimor::QtParts(std::make_unique<tessimor::BoundInventory>(device)));
  form->show();
  form->Load();

  int status = 0;
  if (line.Has(kScreenshotOption)) {
    const QString png = QString::fromLocal8Bit(line.Value(kScreenshotOption));
    QTimer::singleShot(kScreenshotDelayMs, form.get(), [&form, &status, png] {
      if (!form->grab().save(png, "PNG")) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(png));
        status = 1;
      }
      QApplication::quit();
    });
  }
  const int exec_status = app->exec();
  // The port closes before the simulator stops, and the memory is kept once nobody changes it.
  form.reset();
  if (server) {
    server->Stop();
    if (!memory.Save(adapter.memory())) status = 1;
  }
  return status != 0 ? status : exec_status;
}
