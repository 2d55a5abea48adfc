#pragma once

#include <string>
#include <vector>

#include "tests/kit/files.h"

namespace tessimor::testing {

// A PostgreSQL server of the test's own: a fresh cluster in a temporary folder that listens on no
// TCP address, only on a Unix socket in a folder of its own, so runs side by side never meet.
// Every failure throws std::runtime_error carrying the tool's output and the server log's tail:
// a test without its server fails, never skips, and gtest prints the text.
class PgServer {
 public:
  static constexpr char kUser[] = "tessimor";
  static constexpr char kPassword[] = "line-secret";
  static constexpr char kWrongPassword[] = "not-the-line-secret";
  static constexpr char kDatabase[] = "line";

  // Makes the cluster with kUser as its password-checked superuser, starts it and creates
  // kDatabase.
  PgServer();
  // Stops the server at once, if running, and removes everything.
  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  // libpq password files (mode 0600, owned by this process's user, as libpq demands) holding
  // kPassword, and a wrong one.
  const std::string& PassFile() const { return pass_file_; }
  const std::string& WrongPassFile() const { return wrong_pass_file_; }
  const std::string& SocketDir() const { return socket_dir_; }
  // postgresql://tessimor@/<database>?host=<socket folder>
  std::string Url(const std::string& database = kDatabase) const;

  void Stop();
  void Start();

  // What psql, a reader apart from the program, prints for `query` run with PassFile(): rows
  // separated by '\n', columns by '|', no trailing newline. Throws when psql fails.
  std::string Sql(const std::string& query, const std::string& database = kDatabase) const;

 private:
  // Runs a server tool, as an unprivileged user when this process is root.
  void Serve(const std::vector<std::string>& command) const;
  void Halt() noexcept;

  TempDir dir_;
  std::string bin_;
  std::string data_;
  std::string log_;
  std::string socket_dir_;
  std::string pass_file_;
  std::string wrong_pass_file_;
  bool running_ = false;
};

}  // namespace tessimor::testing
