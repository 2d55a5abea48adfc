#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

// Every program answers --help and --version without a display: Qt is not asked for one first.
// A window asked for without one is a line that says so, not Qt's abort.
namespace tessimor {
namespace {

// Status and output (stdout and stderr) of a program in bin/, run where no display is set but
// what `env` sets.
std::pair<int, std::string> RunWithoutDisplay(const std::string& program, const std::string& args,
                                              const std::string& env) {
  FILE* pipe = ::popen(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env + " '" +
                        TESSIMOR_BIN_DIR "/" + program + "' " + args + " 2>&1")
                           .c_str(),
                       "r");
  std::string out;
  for (int c; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(ProgramArgumentsTest, EachProgramAnswersHelpAndVersionWithoutADisplay) {
  const std::string needs = ": the window needs a display, and ",
                    unset = "none is set (DISPLAY and WAYLAND_DISPLAY are empty). ",
                    cli = "tessimor-eeprom-cli works without one.\n",
                    run_sh =
                        "./scripts/run.sh, in the source folder, starts it on a virtual one.\n";
  const struct {
    std::string program, args;
    int status;
    std::string start;  // of the output; the whole of it when it ends a line
    std::string env = "";
  } cases[] = {
      {"tessimor-eeprom", "--version", 0, "tessimor-eeprom 1.0.0\n"},
      {"tessimor-eeprom", "--help", 0, "Usage: tessimor-eeprom\nOpens "},
      {"tessimor-eeprom", "--help -platform offscreen", 2,
       "tessimor-eeprom: unknown argument -platform (it takes only --help, --version)\n"},
      {"tessimor-eeprom-demo", "--version", 0, "tessimor-eeprom-demo 1.0.0\n"},
      {"tessimor-eeprom-demo", "--port /dev/null --help", 0, "Usage: tessimor-eeprom-demo "},
      {"tessimor-eeprom-cli", "--version", 0, "tessimor-eeprom-cli 1.0.0\n"},
      {"tessimor-eeprom-cli", "--help", 0, "Usage: tessimor-eeprom-cli "},
      {"tessimor-eeprom-station", "--version", 0, "tessimor-eeprom-station 1.0.0\n"},
      {"tessimor-eeprom-station", "--port /dev/null --help", 0,
       "Usage: tessimor-eeprom-station [--recipe FILE] "},
      {"tessimor-sim", "--version", 0, "tessimor-sim 1.0.0\n"},
      {"tessimor-sim", "--help", 0, "Usage: tessimor-sim "},
      {"tessimor-eeprom", "", 1, "tessimor-eeprom" + needs + unset + cli},
      {"tessimor-eeprom-demo", "", 1, "tessimor-eeprom-demo" + needs + unset + run_sh},
      {"tessimor-eeprom-station", "--recipe line.json", 1,
       "tessimor-eeprom-station" + needs + unset +
           "tessimor-eeprom-cli program --recipe works without one.\n"},
      {"tessimor-eeprom", "", 1,
       "tessimor-eeprom" + needs + "none could be opened (DISPLAY=:87). " + cli, "DISPLAY=:87"},
  };
  for (const auto& c : cases) {
    const auto [status, out] = RunWithoutDisplay(c.program, c.args, c.env);
    EXPECT_EQ(status, c.status) << c.program << " " << c.args << ": " << out;
    EXPECT_EQ(c.start.ends_with('\n') ? out : out.substr(0, c.start.size()), c.start)
        << c.program << " " << c.args;
  }
}

}  // namespace
}  // namespace tessimor
