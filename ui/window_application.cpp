#include "ui/window_application.h"

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace tessimor {

namespace {

constexpr int kNoDisplayStatus = 1;
constexpr const char* kDisplayVariables[] = {"DISPLAY", "WAYLAND_DISPLAY"};

// A message held while the display is looked for; the context's texts are copied, since Qt's
// may not outlive the call.
struct HeldMessage {
  QtMsgType type;
  std::string file, function, category;
  int line;
  QString text;
};

// A message handler is a plain function, so what it needs lives here, for one start at a time.
std::string g_no_display_line;
std::vector<HeldMessage> g_held;

std::string NoDisplayLine(const std::string& program, const std::string& hint) {
  std::string set;
  for (const char* name : kDisplayVariables) {
    const char* value = std::getenv(name);
    if (value && *value) set += std::string(set.empty() ? "" : ", ") + name + "=" + value;
  }
  return program + ": the window needs a display, and " +
         (set.empty() ? std::string("none is set (DISPLAY and WAYLAND_DISPLAY are empty).")
                      : "none could be opened (" + set + ").") +
         (hint.empty() ? "" : " " + hint);
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    // Qt aborts once this returns; its own advice is beside the point.
    std::fprintf(stderr, "%s\n", g_no_display_line.c_str());
    std::fflush(stderr);
    std::_Exit(kNoDisplayStatus);
  }
  g_held.push_back({type, context.file ? context.file : "",
                    context.function ? context.function : "",
                    context.category ? context.category : "", context.line, text});
}

}  // namespace

std::unique_ptr<QApplication> OpenWindowApplication(int& argc, char** argv,
                                                    const std::string& program,
                                                    const std::string& hint) {
  g_no_display_line = NoDisplayLine(program, hint);
  g_held.clear();
  const QtMessageHandler previous = qInstallMessageHandler(HoldMessage);
  auto application = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(previous);
  for (const HeldMessage& held : std::exchange(g_held, {})) {
    const QMessageLogContext context(held.file.c_str(), held.line, held.function.c_str(),
                                     held.category.c_str());
    qt_message_output(held.type, context, held.text);
  }
  return application;
}

}  // namespace tessimor
