#include "cli/production_commands.h"

#include <algorithm>
#include <fstream>

#include "cli/exit_codes.h"
#include "cli/file_bytes.h"
#include "cli/gang_display.h"
#include "cli/image_input.h"
#include "engine/image_formats.h"
#include "cli/signals.h"
#include "link/discovery.h"
#include "link/messages.h"
#include "production/qt/report.h"
#include "production/qt/series_plan.h"

namespace tessimor::cli {

namespace {

using production::FailPolicy;
using production::PartStatus;
using production::Socket;
using production::Stage;

constexpr char kDefaultDb[] = "tessimor-production.db";
constexpr char kReuse[] = "reuse";

std::string DbPath(const Options& options) {
  return options.db.empty() ? kDefaultDb : options.db;
}

// Whole, or the reason said after the line that names the file.
bool ReadWhole(const std::string& path, std::string* bytes, std::ostream& err) {
  const FileProblem problem = ReadFileBytes(path, bytes);
  if (!problem) return true;
  err << messages::kCouldNotOpenText << path << '\n' << FileProblemLine(path, problem) << '\n';
  return false;
}

// Every adapter plugged in, or the devices named, each taken as an adapter.
std::vector<Socket> SocketsFor(const Options& options, DeviceInventory& inventory) {
  std::vector<Socket> sockets;
  if (!options.all) {
    for (const std::string& port : options.ports) sockets.push_back(Socket{port, {}});
    return sockets;
  }
  const auto ports = inventory.ListSerialPorts();
  if (!ports) return sockets;
  for (const AdapterMatch& match : FindAdapterRecords(*ports)) {
    const std::string path = inventory.ResolvePort(match.number);
    if (!path.empty()) sockets.push_back(Socket{path, match.usb_serial});
  }
  return sockets;
}

}  // namespace

int RunProgram(const Options& options, DeviceInventory& inventory, Environment& env) {
  if (options.file == kStandardStream) {
    env.err << "program needs an image file, whose bytes the record keeps a hash of\n";
    return kExitBadUse;
  }
  // Everything is checked before the record or an adapter is touched. The bytes are read once:
  // the image is made of them, and the record keeps their hash.
  std::string image_bytes;
  if (!ReadWhole(options.file, &image_bytes, env.err)) return kExitBadUse;
  const ImageInput input = ReadImage(FormatOf(options.file), image_bytes, options.file);
  if (!input.error.empty()) {
    env.err << input.error << '\n';
    return kExitBadUse;
  }
  production::PlanRequest request{options.serial,      options.crcs, options.serial_start,
                                  options.serial_step, {},           {}};
  std::string serials_bytes;
  if (!options.serials.empty()) {
    if (!ReadWhole(options.serials, &serials_bytes, env.err)) return kExitBadUse;
    request.serials_name = options.serials;
    request.serials_text = serials_bytes;
  }
  const production::Checked<production::Plan> plan = production::MakePlan(input.image, request);
  if (!plan.value) {
    env.err << plan.error << '\n';
    return kExitBadUse;
  }

  std::string error;
  const std::unique_ptr<production::Record> record =
      production::Record::Open(DbPath(options), &error);
  int interrupted = 0;
  const FailPolicy policy = options.on_fail == kReuse ? FailPolicy::kReuse : FailPolicy::kVoid;
  if (!record || !record->BeginRun(production::SeriesFor(image_bytes, *plan.value, serials_bytes,
                                                         options.new_series),
                                   policy, &error, &interrupted)) {
    env.err << error << '\n';
    return kExitBadUse;
  }
  if (interrupted > 0) {
    env.err << interrupted << (interrupted == 1 ? " part" : " parts")
            << " of a run that ended without finishing marked interrupted; "
               "their numbers are not handed out again.\n";
  }

  if (!record->HasNumberLeft(production::NumbersOf(*plan.value), &error)) {
    env.err << error << '\n';
    return kExitBadUse;
  }

  const std::vector<Socket> sockets = SocketsFor(options, inventory);
  if (sockets.empty()) {
    env.err << messages::kNotFoundText << '\n';
    return kExitNoAdapter;
  }
  production::GangRun run(*record, input.image, *plan.value,
                          {options.keep_existing, options.pace.value_or(Pace::Tick)}, sockets);
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
