#include "fuzz/fuzz_fakes.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tessimor::fuzz {

void Require(bool ok, const char* invariant) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

void FuzzPort::WriteText(std::string_view text) {
  written += text;
  if (on_write) on_write(text);
}

std::string FuzzPort::TakeInput() {
  std::string bytes;
  bytes.swap(incoming);
  if (on_take) on_take(bytes);
  return bytes;
}

void FuzzWindow::ShowMessage(const std::string& text) {
  ++messages;
  last_message = text;
  if (while_message_open) while_message_open(text);
}

namespace {

struct Scratch {
  Scratch() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessimor-fuzz-XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "scratch directory can be made");
    path = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

}  // namespace

const std::string& ScratchDir() {
  static const Scratch scratch;
  return scratch.path;
}

void WriteWholeFile(const std::string& path, std::string_view contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  Require(static_cast<bool>(out), "scratch file can be written");
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tessimor::fuzz
