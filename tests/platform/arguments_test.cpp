#include "platform/arguments.h"

#include <gtest/gtest.h>

namespace tessimor {
namespace {

TEST(CommandLine, OptionsStandAnywhereAndTheFirstMisfitIsToldWhileTheRestIsStillRead) {
  const std::vector<OptionRule> rules = {{"--port", "", true}, {"--quiet", "-q", false}};
  // The parse on one line: options in order as name=value, the words, then the fault if any.
  const auto describe = [](const ParsedCommandLine& line) {
    std::string text;
    for (const GivenOption& option : line.options) text += option.name + "=" + option.value + " ";
    text += "[";
    for (const std::string& word : line.words) text += word + ";";
    text += "] last port=" + line.Value("--port");
    return line.error.empty() ? text : text + " | " + line.culprit + ": " + line.error;
  };
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "[] last port="},
      {{"a", "-q", "-", "--port", "p", "b"}, "--quiet= --port=p [a;-;b;] last port=p"},
      {{"--port=x=y", "--port", "--quiet"}, "--port=x=y --port=--quiet [] last port=--quiet"},
      {{"--port=", "--", "--quiet", "-q"}, "--port= [--quiet;-q;] last port="},
      {{"--quiet", "--port"}, "--quiet= [] last port= | --port: --port needs a value"},
      {{"-q=1", "--quiet"}, "--quiet= [] last port= | -q=1: -q takes no value"},
      {{"--bogus=1", "-x", "--port=p"},
       "--port=p [] last port=p | --bogus=1: unknown option --bogus=1"},
      {{"---", "-port", "p"}, "[p;] last port= | ---: unknown option ---"},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(describe(ParseCommandLine(args, rules)), expected);
  }
}

}  // namespace
}  // namespace tessimor
