#pragma once

#include <string>
#include <vector>

namespace tessimor::testing {

// The far side of a simulator pty, in raw mode, as a serial program would hold it.
class PtyClient {
 public:
  explicit PtyClient(const std::string& path);
  ~PtyClient();
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  void Write(const std::string& bytes);
  // Reads until `crs` CRs (and anything right behind them) have come or `timeout_ms` passes.
  std::string ReadReplies(int crs, int timeout_ms = 5000);
  // Each read() result separately, until `bytes` have come or `timeout_ms` passes.
  std::vector<std::string> ReadChunks(std::size_t bytes, int timeout_ms = 5000);
  // Whatever arrives within `ms`.
  std::string ReadFor(int ms);
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace tessimor::testing
