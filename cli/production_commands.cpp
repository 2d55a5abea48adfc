#include "cli/production_commands.h"

#include <algorithm>
#include <fstream>

#include "cli/exit_codes.h"
#include "cli/gang_display.h"
#include "cli/image_input.h"
#include "cli/signals.h"
#include "link/messages.h"
#include "production/qt/recipe.h"
#include "production/qt/report.h"
#include "production/qt/setup.h"

namespace tessimor::cli {

namespace {

using production::PartStatus;
using production::Socket;
using production::Stage;

std::string DbPath(const Options& options) {
  return options.db.empty() ? production::kDefaultDb : options.db;
}

// What the command line left out is taken from the recipe. Its image's hash holds only for its own
// image: given back when that is the one taken, empty otherwise.
std::string TakeUnset(const production::Recipe& recipe, Options* options) {
  std::string image_sha256;
  if (options->file.empty()) {
    options->file = recipe.image;
    image_sha256 = recipe.image_sha256;
  }
  if (options->serial.empty()) options->serial = recipe.serial;
  // A first number or a serials file given replaces the recipe's numbers whole.
  if (options->serial_start.empty() && options->serials.empty()) {
    options->serial_start = recipe.serial_start;
    options->serial_step = recipe.serial_step;
    options->serials = recipe.serials;
  }
  if (options->crcs.empty()) options->crcs = recipe.crcs;
  if (options->db.empty()) options->db = recipe.db;
  if (options->on_fail.empty()) options->on_fail = recipe.on_fail;
  options->keep_existing = options->keep_existing || recipe.keep_existing;
  return image_sha256;
}

production::Recipe RecipeOf(const Options& options, const std::string& image_sha256) {
  production::Recipe recipe;
  recipe.image = options.file;
  recipe.image_sha256 = image_sha256;
  recipe.serial = options.serial;
  recipe.serial_start = options.serial_start;
  recipe.serial_step = options.serial_step;
  recipe.serials = options.serials;
  recipe.crcs = options.crcs;
  recipe.db = DbPath(options);
  recipe.on_fail = options.on_fail;
  recipe.keep_existing = options.keep_existing;
  return recipe;
}

int SaveRecipe(const production::Recipe& recipe, const std::string& path, std::ostream& err) {
  const production::Checked<production::Recipe> sealed = production::SealRecipe(recipe);
  if (!sealed.value) {
    err << sealed.error << '\n';
    return kExitBadUse;
  }
  std::string error;
  if (!production::SaveRecipe(*sealed.value, path, &error)) {
    err << error << '\n';
    return kExitFailed;
  }
  err << "Recipe saved to " << path << "; no adapter or record was touched.\n";
  return kExitOk;
}

// What the record has to say: the server gone or back, outcomes sent from the journal.
void Tell(production::Record& record, std::ostream& err) {
  for (const std::string& news : record.TakeNews()) err << news << '\n';
}

// Every adapter plugged in, or the devices named, each taken as an adapter.
std::vector<Socket> SocketsFor(const Options& options, DeviceInventory& inventory) {
  std::vector<Socket> sockets;
  if (options.all) return production::PresentAdapters(inventory).value_or(sockets);
  for (const std::string& port : options.ports) sockets.push_back(Socket{port, {}});
  return sockets;
}

}  // namespace

int RunProgram(const Options& given, DeviceInventory& inventory, Environment& env) {
  Options options = given;
  std::string image_sha256;
  if (!options.recipe.empty()) {
    production::Checked<production::Recipe> loaded = production::LoadRecipe(options.recipe);
    if (!loaded.value) {
      env.err << loaded.error << '\n';
      return kExitBadUse;
    }
    image_sha256 = TakeUnset(*loaded.value, &options);
    if (const std::string problem = ProgramOptionsProblem(options); !problem.empty()) {
      env.err << "tessimor-eeprom-cli: " << problem << '\n';
      return kExitBadUse;
    }
  }
  if (options.file == kStandardStream) {
    env.err << "program needs an image file, whose bytes the record keeps a hash of\n";
    return kExitBadUse;
  }
  const production::Recipe recipe = RecipeOf(options, image_sha256);
  if (!options.save_recipe.empty()) return SaveRecipe(recipe, options.save_recipe, env.err);

  // Everything is checked before the record or an adapter is touched.
  std::string error;
  const std::unique_ptr<production::Production> production =
      production::OpenProduction(recipe, options.new_series, {options.station, ""}, &error);
  if (!production) {
    env.err << error << '\n';
    return kExitBadUse;
  }
  Tell(*production->record, env.err);
  if (production->interrupted > 0) {
    env.err << production::InterruptedText(production->interrupted) << '\n';
  }
  production->settings.write_pace = options.pace.value_or(Pace::Tick);

  const std::vector<Socket> sockets = SocketsFor(options, inventory);
  if (sockets.empty()) {
    env.err << messages::kNotFoundText << '\n';
    return kExitNoAdapter;
  }
  production::GangRun run(*production->record, production->golden, production->plan,
                          production->settings, sockets);
  GangDisplay display(env.err, env.err_is_terminal && !options.quiet, env.clock);
  QObject::connect(&run, &production::GangRun::Changed, &run,
                   [&] { display.Refresh(run.Parts()); });
  bool stopped = false;
  if (env.interrupts && env.interrupts->Install()) {
    QObject::connect(env.interrupts, &InterruptWatch::Interrupted, &run, [&] {
      stopped = true;
      run.Interrupt();
    });
  }
  run.Run();
  display.Refresh(run.Parts(), /*force=*/true);

  PrintPartsTable(run.Parts(), env.out);
  production::Record& record = *production->record;
  // Once more before leaving: the server may be back already.
  record.Retry(/*now=*/true);
  Tell(record, env.err);
  if (record.Waiting() > 0) {
    env.err << record.Waiting() << (record.Waiting() == 1 ? " outcome waits" : " outcomes wait")
            << " in the journal " << record.JournalPath()
            << "; the next run on this station sends them once the server is back.\n";
  }
  if (stopped) {
    const int signal_number = env.interrupts->Received();
    return signal_number ? InterruptedExitCode(signal_number) : kExitInterrupted;
  }
  // No adapter at all among the devices named is what a missing adapter is to the other commands.
  if (std::none_of(run.Parts().begin(), run.Parts().end(),
                   [](const PartStatus& part) { return part.opened; })) {
    return kExitNoAdapter;
  }
  for (const PartStatus& part : run.Parts()) {
    if (part.stage != Stage::kPassed) return kExitFailed;
  }
  return kExitOk;
}

int RunDbInit(const Options& options, Environment& env) {
  std::string said;
  std::string error;
  if (!production::Record::Init(options.db, &said, &error)) {
    env.err << error << '\n';
    return kExitFailed;
  }
  env.out << options.db << ": " << said << ".\n";
  return kExitOk;
}

int RunDbRecover(const Options& options, Environment& env) {
  const std::string station = production::StationName(options.station);
  std::string error;
  const std::optional<int> interrupted = production::Record::Recover(options.db, station, &error);
  if (!interrupted) {
    env.err << error << '\n';
    return kExitFailed;
  }
  env.out << "station " << station << ": " << production::InterruptedText(*interrupted) << '\n';
  return kExitOk;
}

int RunReport(const Options& options, Environment& env) {
  std::string error;
  const std::string db = DbPath(options);
  bool written = false;
  if (options.csv.empty()) {
    written = production::WriteSummary(db, env.out, &error);
  } else if (options.csv == kStandardStream) {
    written = production::WriteCsv(db, env.out, &error);
  } else {
    std::ofstream csv(options.csv, std::ios::binary | std::ios::trunc);
    if (!csv) {
      env.err << messages::kCouldNotWriteText << options.csv << '\n';
      return kExitFailed;
    }
    written = production::WriteCsv(db, csv, &error) && csv.flush();
    if (!written && error.empty()) error = std::string(messages::kCouldNotWriteText) + options.csv;
  }
  if (!written) {
    env.err << error << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace tessimor::cli
