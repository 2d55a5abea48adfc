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

}  // namespace

int main(int argc, char** argv) {
  QCommandLineParser parser;
  const QCommandLineOption help_option(QStringList{"h", "help"});
  const QCommandLineOption version_option("version");
  const QCommandLineOption port_option("port", QString(), "PATH");
  const QCommandLineOption screenshot_option("screenshot", QString(), "PNG");
  parser.addOptions({help_option, version_option, port_option, screenshot_option});
  // These two are answered before the QApplication, which needs a display. Nothing else is
  // judged yet: the Qt options it takes out of the arguments are still among them.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  parser.parse(arguments);
  if (parser.isSet(help_option)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (parser.isSet(version_option)) {
    std::puts("tessimor-eeprom-demo " TESSIMOR_VERSION);
    return 0;
  }

  const auto app = tessimor::OpenWindowApplication(
      argc, argv, "tessimor-eeprom-demo",
      "./scripts/run.sh, in the source folder, starts it on a virtual one.");
  // Shares the data directory with the real program.
  QApplication::setApplicationName("tessimor-eeprom");
  if (!parser.parse(QApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
    const QString error = parser.errorText().isEmpty()
                              ? "unexpected argument: " + parser.positionalArguments()[0]
                              : parser.errorText();
    std::fprintf(stderr, "tessimor-eeprom-demo: %s\nTry --help.\n", qPrintable(error));
    return kBadUse;
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
    std::fprintf(stderr, "tessimor-eeprom-demo: --port needs a device path\n");
    return kBadUse;
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
  const int exec_status = app->exec();
  // The port closes before the simulator stops, and the memory is kept once nobody changes it.
  form.reset();
  if (server) {
    server->Stop();
    if (!memory.Save(adapter.memory())) status = 1;
  }
  return status != 0 ? status : exec_status;
}
