// The window program, for an adapter plugged in: it finds the adapter by itself.
#include <QApplication>
#include <cstdio>
#include <string_view>

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

}  // namespace

int main(int argc, char** argv) {
  // Looked at before the QApplication, which needs a display.
  bool help = false, version = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else {
      std::fprintf(stderr,
                   "tessimor-eeprom: unknown argument %s (it takes only --help, --version)\n",
                   argv[i]);
      return kBadUse;
    }
  }
  if (help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (version) {
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
