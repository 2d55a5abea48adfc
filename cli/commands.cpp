#include "cli/commands.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "cli/exit_codes.h"
#include "cli/image_input.h"
#include "cli/ports.h"
#include "cli/production_commands.h"
#include "cli/signals.h"
#include "cli/window.h"
#include "link/messages.h"
#include "link/protocol.h"
#include "platform/bound_inventory.h"
#include "platform/file_bytes.h"
#include "platform/qt/device_inventory.h"
#include "platform/scratch_file.h"
#include "session/adapter_session.h"
#include "session/escape.h"
#include "session/image_capture.h"

namespace tessimor::cli {

namespace {

constexpr std::uint8_t kErasedByte = 0xFF;

std::string Byte(std::uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
  return text;
}

// Runs one command, hearing from the adapter's session how far each operation has got.
class CommandRunner {
 public:
  CommandRunner(const Options& options, DeviceInventory& inventory, Environment& environment)
      : options_(options),
        inventory_(inventory),
        env_(environment),
        progress_(environment.err, {environment.err_is_terminal && !options.quiet, !options.quiet},
                  environment.clock),
        window_(environment.err, progress_) {}

  int Run() {
    switch (options_.command) {
      case Command::Read:
        return Read();
      case Command::Write:
        return Write();
      case Command::Fill:
        return Fill();
      case Command::Verify:
        return Verify();
      case Command::Convert:
        return Convert();
      case Command::Ports:
        return ListPorts(inventory_, options_.port, env_.out, env_.err);
      case Command::Program:
        return RunProgram(options_, inventory_, env_);
      case Command::Report:
        return RunReport(options_, env_);
      case Command::DbInit:
        return RunDbInit(options_, env_);
      case Command::DbRecover:
        return RunDbRecover(options_, env_);
      case Command::None:
        break;
    }
    return kExitBadUse;
  }

 private:
  Pace ChosenPace() const { return options_.pace.value_or(DefaultPace(options_.command)); }
  // The read-back of --verify changes nothing, so it goes at reply pace unless told otherwise.
  Pace ReadBackPace() const { return options_.pace.value_or(Pace::Reply); }

  // From here on an interrupt ends the operation cleanly instead of the process at once;
  // not earlier, so that a wait for standard input can still be broken off.
  void CatchInterrupts() {
    if (catching_ || !env_.interrupts || !env_.interrupts->Install()) return;
    catching_ = true;
    // Tied to `interrupt_context_`, so the connection goes with this runner.
    QObject::connect(env_.interrupts, &InterruptWatch::Interrupted, &interrupt_context_, [this] {
      if (session_) session_->Interrupt();
    });
  }

  bool Connect() {
    CatchInterrupts();
    session_ = std::make_unique<AdapterSession>(inventory_, window_);
    QObject::connect(session_.get(), &AdapterSession::Progressed, &interrupt_context_,
                     [this](std::size_t bytes, std::uint32_t next_address) {
                       progress_.Advance(bytes, next_address);
                     });
    QObject::connect(session_.get(), &AdapterSession::OperationEnded, &interrupt_context_,
                     [this](const OperationEnd& end) {
                       // Nothing began, so nothing was left half changed.
                       if (end.mode != ModeIdle) ended_ = end.outcome;
                     });
    return session_->Connect();
  }

  int ExitFor(RunResult result) {
    if (result == RunResult::kInterrupted) {
      progress_.Clear();
      const int signal_number = env_.interrupts ? env_.interrupts->Received() : 0;
      return signal_number ? InterruptedExitCode(signal_number) : kExitInterrupted;
    }
    if (result == RunResult::kFailed) {
      progress_.Clear();
      return kExitFailed;
    }
    progress_.Finish();
    return kExitOk;
  }

  // The whole EEPROM into the text image at `path`, or into `capture` when it is null.
  RunResult ReadAll(const std::string& label, Pace pace, ImageCapture* capture,
                    const std::string& path = {}) {
    progress_.Begin(label, protocol::kEepromSize);
    RunResult result = session_->Run(
        pace, [&](TransferEngine& e) { capture ? e.StartRead(*capture) : e.StartRead(path); });
    if (result == RunResult::kDone && capture) {
      if (const auto gap = capture->Image().FirstGap()) {
        window_.Say("Read replies left address " + AddressText(static_cast<std::uint32_t>(*gap)) +
                    " without data.");
        result = RunResult::kFailed;
      }
    }
    return result;
  }

  int Read() {
    const std::string& file = options_.file;
    const bool to_output = file == kStandardStream;
    const ImageFormat format = to_output ? ImageFormat::kText : FormatOf(file);
    // A failed or interrupted read never touches what FILE held: a text image file is the
    // engine's, as in the window, replaced only when the read completes; any other format is
    // read into memory and then written to a scratch file that takes FILE's place.
    CatchInterrupts();
    // Found out before the adapter is touched.
    if (!to_output) {
      if (const ScratchFile scratch = ScratchFile::Beside(file); !scratch.Valid()) {
        window_.Say(std::string(messages::kCouldNotOpenText) + file);
        window_.Say(FileProblemLine(file, scratch.Problem()));
        return kExitFailed;
      }
    }
    if (!Connect()) return kExitNoAdapter;
    ImageCapture capture;
    const bool in_memory = to_output || format != ImageFormat::kText;
    const RunResult result = ReadAll("read", ChosenPace(), in_memory ? &capture : nullptr, file);
    if (result != RunResult::kDone || !in_memory) return ExitFor(result);

    return ExitFor(Store(capture.Image(), file) ? RunResult::kDone : RunResult::kFailed);
  }

  // `image` into `path` in its format, or to standard output; a file is replaced only whole.
  bool Store(const EepromImage& image, const std::string& path) {
    const bool to_output = path == kStandardStream;
    const std::string contents = WriteImage(to_output ? ImageFormat::kText : FormatOf(path), image);
    bool stored = true;
    FileProblem problem;
    if (to_output) {
      stored = static_cast<bool>(env_.out << contents << std::flush);
    } else {
      ScratchFile scratch = ScratchFile::Beside(path);
      problem = scratch.Problem();
      stored = scratch.Valid() && WriteFileBytes(scratch.path(), contents) && scratch.Replace();
    }
    if (!stored) window_.Say(std::string(messages::kCouldNotWriteText) + path);
    if (problem) window_.Say(FileProblemLine(path, problem));
    return stored;
  }

  // Checks FILE's image whole before the adapter is touched, then hands it to `use`.
  int WithImage(const std::function<int(const EepromImage&)>& use) {
    const ImageInput input = LoadImageInput(options_.file, env_.in);
    if (!input.error.empty()) {
      window_.Say(input.error);
      return kExitBadUse;
    }
    if (!Connect()) return kExitNoAdapter;
    return use(input.image);
  }

  int Write() {
    return WithImage([this](const EepromImage& image) { return Write(image); });
  }

  int Write(const EepromImage& image) {
    const std::vector<ImageRecord>& records = image.Records();
    std::size_t total = 0;
    std::vector<std::string> lines;
    for (const ImageRecord& record : records) {
      total += record.bytes.size();
      lines.push_back(record.text);
    }
    LineList source(std::move(lines));
    const std::string what =
        options_.file == kStandardStream ? "the image from standard input" : options_.file;
    const int status = Change(
        "write", total, [&](TransferEngine& e) { e.StartWrite(source, options_.file); },
        "the EEPROM now holds part of " + what + ". Write it again.");
    if (status != kExitOk || !options_.verify) return status;
    return ReadAndCompare(image, ReadBackPace(), "file");
  }

  int Fill() {
    if (!Connect()) return kExitNoAdapter;
    const int status = Change(
        "fill", protocol::kEepromSize, [](TransferEngine& e) { e.StartFill(); },
        "the EEPROM is now only partly filled with 0xFF. Fill it again.");
    if (status != kExitOk || !options_.verify) return status;
    return ReadAndCompare(EepromImage::Filled(kErasedByte), ReadBackPace(), "written");
  }

  // Runs an operation that changes the EEPROM. One that began and stopped short, for whatever
  // reason, leaves it half changed, and the user is told so after the reason.
  int Change(const std::string& label, std::size_t total,
             const std::function<void(TransferEngine&)>& start, const std::string& left) {
    progress_.Begin(label, total);
    ended_.reset();
    const int status = ExitFor(session_->Run(ChosenPace(), start));
    if (ended_ && *ended_ != Outcome::kDone) {
      window_.Say("Stopped after " + std::to_string(progress_.Done()) + " of " +
                  std::to_string(total) + " bytes: " + left);
    }
    return status;
  }

  int Verify() {
    return WithImage(
        [this](const EepromImage& image) { return ReadAndCompare(image, ChosenPace(), "file"); });
  }

  // Offline: the image is checked as strictly as for a write before OUT is touched.
  int Convert() {
    const ImageInput input = LoadImageInput(options_.file, env_.in);
    if (!input.error.empty()) {
      window_.Say(input.error);
      return kExitBadUse;
    }
    if (!Store(input.image, options_.output)) return kExitFailed;
    if (!options_.quiet) {
      window_.Say("convert: " + std::to_string(input.image.CoveredCount()) + " bytes into " +
                  options_.output);
    }
    return kExitOk;
  }

  // `source` names where the expected bytes came from in the difference lines.
  int ReadAndCompare(const EepromImage& expected, Pace pace, const std::string& source) {
    ImageCapture capture;
    const int status = ExitFor(ReadAll("verify", pace, &capture));
    if (status != kExitOk) return status;
    const CompareReport report = CompareImages(expected, capture.Image());
    if (report.differing == 0) {
      if (!options_.quiet) {
        window_.Say("verify: " + std::to_string(report.compared) + " bytes match");
      }
      return kExitOk;
    }
    window_.Say("verify: " + std::to_string(report.differing) + " of " +
                std::to_string(report.compared) + " bytes differ");
    for (const ByteDifference& difference : report.first) {
      window_.Say("  " + AddressText(difference.address) + ": " + source + " " +
                  Byte(difference.expected) + ", EEPROM " +
                  (difference.actual ? Byte(*difference.actual) : "none"));
    }
    return kExitFailed;
  }

  const Options& options_;
  DeviceInventory& inventory_;
  Environment& env_;
  Progress progress_;
  TerminalWindow window_;
  QObject interrupt_context_;  // the connections of this runner, gone with it
  std::unique_ptr<AdapterSession> session_;
  bool catching_ = false;
  std::optional<Outcome> ended_;  // how the last operation begun ended, once it has
};

}  // namespace

std::unique_ptr<DeviceInventory> InventoryFor(const Options& options) {
  if (options.port.empty() || options.command == Command::Ports ||
      options.command == Command::Program) {
    return std::make_unique<QtDeviceInventory>();
  }
  return std::make_unique<BoundInventory>(options.port);
}

int RunCommand(const Options& options, DeviceInventory& inventory, Environment& environment) {
  CommandRunner runner(options, inventory, environment);
  return runner.Run();
}

}  // namespace tessimor::cli
