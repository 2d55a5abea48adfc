#include <unistd.h>

#include <QCoreApplication>
#include <csignal>
#include <iostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/signals.h"

int main(int argc, char* argv[]) {
  using namespace tessimor;
  using namespace tessimor::cli;

  // A closed standard output is a write error we report, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("tessimor-eeprom-cli");
  QCoreApplication::setApplicationVersion(TESSIMOR_VERSION);

  const ParsedArguments parsed = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) {
    std::cerr << "tessimor-eeprom-cli: " << parsed.error << "\n\n" << UsageText();
    return kExitBadUse;
  }
  const Options& options = parsed.options;
  if (options.help) {
    std::cout << UsageText();
    return kExitOk;
  }
  if (options.version) {
    std::cout << "tessimor-eeprom-cli " << TESSIMOR_VERSION << '\n';
    return kExitOk;
  }

  const std::unique_ptr<DeviceInventory> inventory = InventoryFor(options);
  InterruptWatch interrupts;
  Environment environment{std::cin,      std::cout,  std::cerr, ::isatty(STDERR_FILENO) == 1,
                          SteadyClock(), &interrupts};
  return RunCommand(options, *inventory, environment);
}
