// The window program, for an adapter plugged in: it finds the adapter by itself.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "platform/qt/device_inventory.h"
#include "ui/form1.h"
#include "ui/window_application.h"

namespace {

constexpr int kBadUse = 2;
constexpr char kUsage[] =
    "Usage: tessimor-eeprom\n"
    "Opens the Tessimor EEPROM window on the adapter (USB 04D8:000A), which it finds among the\n"
    "serial ports by itself. The window saves the adapter's 32 KB EEPROM into an image file,\n"
    "writes such a file back, or fills the EEPROM with 0xFF. Without an adapter it says so and\n"
    "ends. It takes no arguments but these:\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n";
constexpr char kHelpOption[] = "--help";
constexpr char kVersionOption[] = "--version";

}  // namespace

int main(int argc, char** argv) {
  // Looked at before the QApplication, which needs a display.
  const tessimor::ParsedCommandLine line = tessimor::ParseCommandLine(
      std::vector<std::string>(argv + 1, argv + argc), {{kHelpOption, "-h"}, {kVersionOption, ""}});
  if (!line.error.empty() || !line.words.empty()) {
    const std::string& unknown = line.error.empty() ? line.words.front() : line.culprit;
    std::fprintf(stderr, "tessimor-eeprom: unknown argument %s (it takes only --help, --version)\n",
                 unknown.c_str());
    return kBadUse;
  }
  if (line.Has(kHelpOption)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (line.Has(kVersionOption)) {
    std::puts("tessimor-eeprom " TESSIMOR_VERSION);
    return 0;
  }

  const auto app = tessimor::OpenWindowApplication(argc, argv, "tessimor-eeprom",
                                                   "tessimor-eeprom-cli works without one.");
  tessimor::Form1 form(tessimor::QtParts(std::make_unique<tessimor::QtDeviceInventory>()));
  form.show();
  form.Load();
  return app->exec();
}
