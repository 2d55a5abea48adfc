#include "app/cli_commands.h"

#include <cstdio>
#include <memory>

#include "app/cli_escape.h"
#include "app/cli_exit_codes.h"
#include "app/cli_file_bytes.h"
#include "app/cli_image_input.h"
#include "app/cli_link.h"
#include "app/cli_ports.h"
#include "app/cli_signals.h"
#include "link/protocol.h"
#include "platform/scratch_file.h"

namespace tessimor::cli {

namespace {

constexpr std::string_view kStandardStream = "-";
constexpr std::uint8_t kErasedByte = 0xFF;

std::string Address(std::uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(address));
  return text;
}

std::string Byte(std::uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
  return text;
}

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
      case Command::Ports:
        return ListPorts(inventory_, env_.out, env_.err);
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
    if (!env_.interrupts) return;
    env_.interrupts->Install();
    env_.interrupts->on_interrupt = [this] {
      if (link_) link_->Interrupt();
    };
  }

  bool Connect() {
    CatchInterrupts();
    link_ = std::make_unique<Link>(inventory_, window_);
    return link_->Connect();
  }

  int ExitFor(Outcome outcome) {
    if (outcome == Outcome::Interrupted) {
      progress_.Clear();
      const int signal_number = env_.interrupts ? env_.interrupts->Received() : 0;
      return signal_number ? InterruptedExitCode(signal_number) : kExitInterrupted;
    }
    if (outcome == Outcome::Failed) {
      progress_.Clear();
      return kExitFailed;
    }
    progress_.Finish();
    return kExitOk;
  }

  // The whole EEPROM into `text_path`, each reply also turned into bytes in `got` when asked.
  Outcome ReadAll(const std::string& label, const std::string& text_path, Pace pace,
                  EepromImage* got) {
    ReplyWatch& watch = link_->Watch();
    watch.check_read = nullptr;
    if (got) {
      watch.check_read = [got](std::string_view data,
                               std::int32_t address) -> std::optional<std::string> {
        const auto record = ParseImageRecord(data);
        if (record && got->Place(*record)) return std::nullopt;
        return "Read reply at address " + Address(static_cast<std::uint32_t>(address)) +
               " cannot be turned into bytes: " + Escaped(data);
      };
    }
    watch.on_step = [this](std::int32_t) {
      progress_.Advance(protocol::kBytesPerLine,
                        static_cast<std::uint32_t>(link_->Engine().CurAddr));
    };
    progress_.Begin(label, protocol::kEepromSize);
    Outcome outcome = link_->Run(pace, [&](TransferEngine& e) { e.StartRead(text_path); });
    watch.check_read = nullptr;
    if (outcome == Outcome::Done && got) {
      if (const auto gap = got->FirstGap()) {
        window_.ShowMessage("Read replies left address " +
                            Address(static_cast<std::uint32_t>(*gap)) + " without data.");
        outcome = Outcome::Failed;
      }
    }
    return outcome;
  }

  int Read() {
    const std::string& file = options_.file;
    const bool to_output = file == kStandardStream;
    const bool binary = !to_output && IsBinaryName(file);
    // A failed or interrupted read never touches what FILE held: a text image is replaced by
    // the engine only when the read completes, the others are built in scratch files first.
    CatchInterrupts();
    const bool via_temp = to_output || binary;
    ScratchFile text = via_temp ? ScratchFile::InTempDir() : ScratchFile();
    // Found out before the adapter is touched.
    if ((via_temp && !text.Valid()) || (!to_output && !ScratchFile::Beside(file).Valid())) {
      window_.Say(std::string(protocol::kCouldNotOpenText) + file);
      return kExitFailed;
    }
    if (!Connect()) return kExitNoAdapter;
    const std::string& text_path = via_temp ? text.path() : file;
    if (via_temp) window_.SetPathAlias(text_path, file);
    EepromImage got;
    const Outcome outcome = ReadAll("read", text_path, ChosenPace(), binary ? &got : nullptr);
    if (outcome != Outcome::Done) return ExitFor(outcome);

    bool stored = true;
    if (to_output) {
      std::string contents;
      stored = ReadFileBytes(text_path, &contents) && (env_.out << contents << std::flush);
    } else if (binary) {
      const std::vector<std::uint8_t> image = got.Bytes();
      ScratchFile bytes = ScratchFile::Beside(file);
      stored = bytes.Valid() &&
               WriteFileBytes(bytes.path(), std::string(image.begin(), image.end())) &&
               bytes.Replace();
    }
    if (!stored) {
      window_.ShowMessage(std::string(protocol::kCouldNotWriteText) + file);
      return ExitFor(Outcome::Failed);
    }
    return ExitFor(Outcome::Done);
  }

  int Write() {
    ImageInput input = LoadImageInput(options_.file, env_.in);
    if (!input.error.empty()) {
      window_.Say(input.error);
      return kExitBadUse;
    }
    if (!Connect()) return kExitNoAdapter;
    if (input.scratch.Valid()) window_.SetPathAlias(input.scratch.path(), options_.file);

    std::size_t next = 0;
    link_->Watch().on_step = [this, &input, &next](std::int32_t) {
      const RecordStep& step = input.steps[next];
      ++next;
      const std::uint32_t address = next < input.steps.size()
                                        ? input.steps[next].address
                                        : step.address + static_cast<std::uint32_t>(step.bytes);
      progress_.Advance(step.bytes, address);
    };
    progress_.Begin("write", input.Bytes());
    const Outcome outcome =
        link_->Run(ChosenPace(), [&input](TransferEngine& e) { e.StartWrite(input.engine_path); });
    const int status = ExitFor(outcome);
    if (status != kExitOk || !options_.verify) return status;
    return ReadAndCompare(input.image, ReadBackPace(), "file");
  }

  int Fill() {
    if (!Connect()) return kExitNoAdapter;
    link_->Watch().on_step = [this](std::int32_t) {
      progress_.Advance(protocol::kBytesPerLine,
                        static_cast<std::uint32_t>(link_->Engine().CurAddr));
    };
    progress_.Begin("fill", protocol::kEepromSize);
    const int status = ExitFor(link_->Run(ChosenPace(), [](TransferEngine& e) { e.StartFill(); }));
    if (status != kExitOk || !options_.verify) return status;
    return ReadAndCompare(EepromImage::Filled(kErasedByte), ReadBackPace(), "written");
  }

  int Verify() {
    ImageInput input = LoadImageInput(options_.file, env_.in);
    if (!input.error.empty()) {
      window_.Say(input.error);
      return kExitBadUse;
    }
    if (!Connect()) return kExitNoAdapter;
    return ReadAndCompare(input.image, ChosenPace(), "file");
  }

  // `source` names where the expected bytes came from in the difference lines.
  int ReadAndCompare(const EepromImage& expected, Pace pace, const std::string& source) {
    ScratchFile text = ScratchFile::InTempDir();
    if (!text.Valid()) {
      window_.Say(std::string(protocol::kCouldNotOpenText) + text.path());
      return kExitFailed;
    }
    EepromImage got;
    const int status = ExitFor(ReadAll("verify", text.path(), pace, &got));
    if (status != kExitOk) return status;
    const CompareReport report = CompareImages(expected, got);
    if (report.differing == 0) {
      if (!options_.quiet) {
        window_.Say("verify: " + std::to_string(report.compared) + " bytes match");
      }
      return kExitOk;
    }
    window_.Say("verify: " + std::to_string(report.differing) + " of " +
                std::to_string(report.compared) + " bytes differ");
    for (const ByteDifference& difference : report.first) {
      window_.Say("  " + Address(difference.address) + ": " + source + " " +
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
  std::unique_ptr<Link> link_;
};

}  // namespace

int RunCommand(const Options& options, DeviceInventory& inventory, Environment& environment) {
  CommandRunner runner(options, inventory, environment);
  const int status = runner.Run();
  if (environment.interrupts) environment.interrupts->on_interrupt = nullptr;
  return status;
}

}  // namespace tessimor::cli
