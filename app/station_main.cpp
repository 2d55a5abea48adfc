// The production bench's window: a tile per adapter, each programming parts from one recipe.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "platform/qt/device_inventory.h"
#include "production/qt/setup.h"
#include "production/qt/station.h"
#include "station/setup_dialog.h"
#include "station/station_window.h"
#include "ui/window_application.h"

namespace {

constexpr int kBadUse = 2;
// Long enough for the window to settle when no part runs.
constexpr int kScreenshotDelayMs = 200;
constexpr char kProgram[] = "tessimor-eeprom-station";
constexpr char kUsage[] =
    "Usage: tessimor-eeprom-station [--recipe FILE] [--port PATH]... [--auto] [--station NAME]\n"
    "Opens the production bench's window: every Tessimor adapter plugged in (USB 04D8:000A) is a\n"
    "tile that programs parts from the recipe, each with a serial number of its own, read back\n"
    "and kept in the production record. Space or Enter starts every waiting tile. Without\n"
    "--recipe, a set-up dialog builds and saves one first.\n"
    "\n"
    "  --recipe FILE  program as the recipe FILE says\n"
    "  --port PATH    a tile on the serial device PATH instead of the adapters found; may be\n"
    "                 repeated (a tessimor-sim pseudo-terminal, for one)\n"
    "  --auto         start a part as soon as its adapter appears\n"
    "  --station NAME this station's name in the record (default: the host name)\n"
    "  --help         show this text\n"
    "  --version      show the version\n";
constexpr char kHelpOption[] = "--help";
constexpr char kVersionOption[] = "--version";
constexpr char kRecipeOption[] = "--recipe";
constexpr char kPortOption[] = "--port";
constexpr char kAutoOption[] = "--auto";
constexpr char kStationOption[] = "--station";
// Not in the usage: it saves the window for the README once no part runs, then exits.
constexpr char kScreenshotOption[] = "--screenshot";

tessimor::ParsedCommandLine ParseArguments(int argc, char** argv) {
  return tessimor::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                    {{kHelpOption, "-h"},
                                     {kVersionOption, ""},
                                     {kRecipeOption, "", true},
                                     {kPortOption, "", true},
                                     {kAutoOption, ""},
                                     {kStationOption, "", true},
                                     {kScreenshotOption, "", true}});
}

int Refuse(const std::string& error) {
  std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
  return kBadUse;
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
    std::printf("%s %s\n", kProgram, TESSIMOR_VERSION);
    return 0;
  }

  const auto app = tessimor::OpenWindowApplication(
      argc, argv, kProgram, "tessimor-eeprom-cli program --recipe works without one.");
  const tessimor::ParsedCommandLine line = ParseArguments(argc, argv);
  if (!line.error.empty() || !line.words.empty()) {
    return Refuse((line.error.empty() ? "unexpected argument: " + line.words.front() : line.error) +
                  "\nTry --help.");
  }
  std::vector<std::string> ports;
  for (const tessimor::GivenOption& option : line.options) {
    if (option.name != kPortOption) continue;
    if (option.value.empty()) return Refuse("--port needs a device path");
    ports.push_back(option.value);
  }

  std::string recipe_path = line.Value(kRecipeOption);
  if (!line.Has(kRecipeOption)) {
    tessimor::SetupDialog setup;
    if (setup.exec() != QDialog::Accepted) return 0;
    recipe_path = setup.SavedPath();
  }
  const auto recipe = tessimor::production::LoadRecipe(recipe_path);
  std::string error = recipe.error;
  std::unique_ptr<tessimor::production::Production> production;
  if (recipe.value)
    production = tessimor::production::OpenProduction(*recipe.value, false,
                                                      {line.Value(kStationOption), ""}, &error);
  if (!production) {
    Refuse(error);
    QMessageBox::critical(nullptr, tessimor::kStationTitle, QString::fromStdString(error));
    return kBadUse;
  }

  tessimor::QtDeviceInventory inventory;
  tessimor::production::Station station(*production, inventory, ports);
  station.SetAuto(line.Has(kAutoOption));
  tessimor::StationWindow window(station);
  // What the run's opening found: parts of a killed run, outcomes sent from the journal.
  std::vector<std::string> said = production->record->TakeNews();
  if (production->interrupted > 0) {
    said.push_back(tessimor::production::InterruptedText(production->interrupted));
  }
  std::string shown;
  for (const std::string& line_said : said) shown += (shown.empty() ? "" : "\n") + line_said;
  window.ShowMessage(shown);
  window.show();
  station.Watch();

  int status = 0;
  if (line.Has(kScreenshotOption)) {
    const QString png = QString::fromLocal8Bit(line.Value(kScreenshotOption));
    const auto shoot = [&window, &station, &status, png] {
      if (station.Programming()) return;
      if (!window.grab().save(png, "PNG")) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(png));
        status = 1;
      }
      QApplication::quit();
    };
    QTimer::singleShot(kScreenshotDelayMs, &window, shoot);
    QObject::connect(&station, &tessimor::production::Station::TotalsChanged, &window, shoot);
  }
  const int exec_status = app->exec();
  return status != 0 ? status : exec_status;
}
