#include "tests/kit/pg/pg_server.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tessimor::testing {

namespace {

namespace fs = std::filesystem;

// Where Debian's postgresql packages put each major version's server tools.
constexpr char kServerRoot[] = "/usr/lib/postgresql";
// initdb and the server refuse to run as root; they run as this user then.
constexpr char kServerUser[] = "nobody";
constexpr std::size_t kLogTailBytes = 2000;
constexpr mode_t kPassFileMode = 0600;

struct Ended {
  int status;  // the exit code, or -1 when a signal ended it
  std::string out;
  std::string err;
};

std::string ReadBack(std::FILE* file) {
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

// Runs `command` without a shell, in `folder`, with `env` (NAME=value) added to this process's
// environment. Output goes to unlinked files, not pipes: nothing can fill up while we wait, and
// a daemon the command leaves behind cannot hold the end of a pipe.
Ended Run(const std::vector<std::string>& command, const std::string& folder,
          const std::string& env = "") {
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const pid_t pid = out && err ? fork() : -1;
  if (pid < 0) throw std::runtime_error("cannot run " + command.front());
  if (pid == 0) {
    dup2(fileno(out), STDOUT_FILENO);
    dup2(fileno(err), STDERR_FILENO);
    if (!env.empty()) putenv(const_cast<char*>(env.c_str()));
    // The server's user may not enter the folder the test runs in.
    if (chdir(folder.c_str()) == 0) execvp(argv[0], argv.data());
    std::perror(argv[0]);
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBack(out), ReadBack(err)};
}

// The bin folder of the highest server version installed.
std::string ServerBinaries() {
  int newest = -1;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kServerRoot, error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (fs::exists(entry.path() / "bin" / "initdb")) newest = std::max(newest, std::stoi(name));
  }
  if (newest < 0) {
    throw std::runtime_error(std::string("no initdb in ") + kServerRoot +
                             "/<N>/bin: install the postgresql package");
  }
  return std::string(kServerRoot) + "/" + std::to_string(newest) + "/bin";
}

// Gives the folder and all in it to the server's user, so the server can write its data there.
void HandOver(const std::string& folder) {
  const passwd* user = getpwnam(kServerUser);
  if (!user) throw std::runtime_error(std::string("no user ") + kServerUser);
  const auto give = [user](const fs::path& path) {
    if (lchown(path.c_str(), user->pw_uid, user->pw_gid) != 0) {
      throw std::runtime_error("cannot hand " + path.string() + " to " + kServerUser);
    }
  };
  give(folder);
  for (const auto& entry : fs::recursive_directory_iterator(folder)) give(entry.path());
}

// Created with its mode from the start: libpq ignores a password file others could read.
void WritePassFile(const std::string& path, const std::string& password) {
  const std::string line = std::string("*:*:*:") + PgServer::kUser + ":" + password + "\n";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPassFileMode);
  const bool written = fd >= 0 && write(fd, line.data(), line.size()) == ssize_t(line.size());
  if (fd >= 0) close(fd);
  if (!written) throw std::runtime_error("cannot write " + path);
}

std::string LogTail(const std::string& log) {
  const std::string text = ReadWholeFile(log);
  return "\n--- server log " + log + ", its end ---\n" +
         text.substr(text.size() > kLogTailBytes ? text.size() - kLogTailBytes : 0);
}

}  // namespace

PgServer::PgServer()
    : bin_(ServerBinaries()),
      data_(dir_.File("data")),
      log_(dir_.File("server.log")),
      socket_dir_(dir_.File("socket")),
      pass_file_(dir_.File("pgpass")),
      wrong_pass_file_(dir_.File("wrong-pgpass")) {
  fs::create_directory(socket_dir_);
  const std::string password_file = dir_.File("initdb-password");
  if (!WriteWholeFile(password_file, kPassword))
    throw std::runtime_error("cannot write " + password_file);
  if (geteuid() == 0) HandOver(dir_.path());
  // After the hand-over, so they stay the test's own as libpq wants.
  WritePassFile(pass_file_, kPassword);
  WritePassFile(wrong_pass_file_, kWrongPassword);

  // A fixed locale and encoding so results do not hang on the machine's; no sync of a throwaway
  // cluster's files, for speed.
  Serve({bin_ + "/initdb", "-U", kUser, "--auth=scram-sha-256", "--pwfile=" + password_file,
         "--encoding=UTF8", "--locale=C", "--no-sync", "--no-instructions", "-D", data_});
  fs::remove(password_file);
  std::ofstream conf(data_ + "/postgresql.conf", std::ios::app);
  conf << "listen_addresses = ''\n"
       << "unix_socket_directories = '" << socket_dir_ << "'\n";
  conf.close();
  if (!conf) throw std::runtime_error("cannot configure " + data_);

  try {
    Start();
    Sql(std::string("CREATE DATABASE ") + kDatabase, "postgres");
  } catch (...) {
    Halt();  // the destructor does not run for a half-made object
    throw;
  }
}

PgServer::~PgServer() {
  Halt();
}

std::string PgServer::Url(const std::string& database) const {
  return std::string("postgresql://") + kUser + "@/" + database + "?host=" + socket_dir_;
}

void PgServer::Stop() {
  Serve({bin_ + "/pg_ctl", "-D", data_, "-m", "fast", "-w", "stop"});
  running_ = false;
}

void PgServer::Start() {
  running_ = true;  // before: a server that started but did not answer in time is stopped too
  Serve({bin_ + "/pg_ctl", "-w", "-D", data_, "-l", log_, "start"});
}

std::string PgServer::Sql(const std::string& query, const std::string& database) const {
  // -w: never ask for a password on a terminal, fail instead.
  const Ended ended = Run({"psql", "-X", "-A", "-t", "-q", "-w", "-v", "ON_ERROR_STOP=1", "-d",
                           Url(database), "-c", query},
                          dir_.path(), "PGPASSFILE=" + pass_file_);
  if (ended.status != 0) throw std::runtime_error("psql failed on " + query + ":\n" + ended.err);
  std::string rows = ended.out;
  while (!rows.empty() && rows.back() == '\n') rows.pop_back();
  return rows;
}

void PgServer::Serve(const std::vector<std::string>& command) const {
  std::vector<std::string> full;
  if (geteuid() == 0) full = {"runuser", "-u", kServerUser, "--"};
  full.insert(full.end(), command.begin(), command.end());
  const Ended ended = Run(full, dir_.path());
  if (ended.status != 0) {
    throw std::runtime_error(command.front() + " failed (" + std::to_string(ended.status) + "):\n" +
                             ended.out + ended.err + LogTail(log_));
  }
}

void PgServer::Halt() noexcept {
  if (!running_) return;
  running_ = false;
  try {
    Serve({bin_ + "/pg_ctl", "-D", data_, "-m", "immediate", "-w", "stop"});
  } catch (...) {
    // Nothing to tell from a destructor; the folder goes regardless.
  }
}

}  // namespace tessimor::testing
