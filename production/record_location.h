#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "production/checked.h"

// Where the production record is kept: a database file of this station, or a database on a
// server that a line of stations shares.
namespace tessimor::production {

// A PostgreSQL server's database, as its own clients take a URL. Empty fields are left to the
// client library's defaults (its Unix socket folder, port 5432, the login name).
struct ServerAddress {
  std::string user;
  std::string host;  // a name or address, or a Unix socket folder when it starts with '/'
  std::string port;
  std::string database;
};

struct RecordLocation {
  std::string text;                     // as given, for messages
  std::optional<ServerAddress> server;  // none: `text` is a file's path
};

// True for "postgresql://..." and "postgres://...", which are never taken as a file's path.
bool IsServerUrl(std::string_view text);
// postgresql://[user@][host][:port]/database[?host=/socket/folder][&port=N], its parts
// percent-decoded. Refused with one sentence: a password in it (it would show in the process
// list and the shell's history), a missing database, a port that is not a number, a query
// parameter it does not know. Any other text is a file's path.
Checked<RecordLocation> ParseRecordLocation(const std::string& text);

}  // namespace tessimor::production
