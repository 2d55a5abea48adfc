#include "production/record_location.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tessimor::production {

namespace {

constexpr std::array<std::string_view, 2> kSchemes = {"postgresql://", "postgres://"};
constexpr int kHexBase = 16;
// On the command line a password would show in the process list and the shell's history.
constexpr char kPasswordRefused[] =
    "holds a password; give it in PGPASSFILE or ~/.pgpass, never on the command line";

Refusal Refuse(const std::string& url, const std::string& why) {
  return Refusal{"production record " + url + ": " + why};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

// %2F and the like; nullopt for a '%' not followed by two hex digits.
std::optional<std::string> Decoded(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      plain += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
    if (high < 0 || low < 0) return std::nullopt;
    plain += static_cast<char>(high * kHexBase + low);
    i += 2;
  }
  return plain;
}

bool IsPort(std::string_view text) {
  return !text.empty() && text.size() <= 5 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool IsServerUrl(std::string_view text) {
  return std::any_of(kSchemes.begin(), kSchemes.end(),
                     [text](std::string_view scheme) { return text.starts_with(scheme); });
}

Checked<RecordLocation> ParseRecordLocation(const std::string& text) {
  RecordLocation location{text, std::nullopt};
  if (!IsServerUrl(text)) return location;
  std::string_view rest(text);
  rest.remove_prefix(rest.find("//") + 2);
  const std::size_t query_at = rest.find('?');
  std::string_view query =
      query_at == std::string_view::npos ? std::string_view() : rest.substr(query_at + 1);
  rest = rest.substr(0, query_at);
  const std::size_t path_at = rest.find('/');
  const std::string_view authority = rest.substr(0, path_at);
  const std::string_view path =
      path_at == std::string_view::npos ? std::string_view() : rest.substr(path_at + 1);

  ServerAddress server;
  std::string_view host_port = authority;
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    if (user.find(':') != std::string_view::npos) {
      return Refuse(text, kPasswordRefused);
    }
    server.user = user;
    host_port = authority.substr(at + 1);
  }
  // An IPv6 address is in brackets, with colons of its own.
  const std::size_t bracket = host_port.rfind(']');
  const std::size_t colon = host_port.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    server.port = host_port.substr(colon + 1);
    host_port = host_port.substr(0, colon);
  }
  if (host_port.size() >= 2 && host_port.front() == '[' && host_port.back() == ']') {
    host_port = host_port.substr(1, host_port.size() - 2);
  }
  server.host = host_port;

  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const std::size_t equals = pair.find('=');
    const std::string_view key = pair.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
    if (key == "host") {
      server.host = value;
    } else if (key == "port") {
      server.port = value;
    } else if (key == "password") {
      return Refuse(text, kPasswordRefused);
    } else {
      return Refuse(text, "has a parameter this program does not take: " + std::string(key));
    }
  }
  const std::optional<std::string> user = Decoded(server.user);
  const std::optional<std::string> host = Decoded(server.host);
  const std::optional<std::string> database = Decoded(path);
  if (!user || !host || !database) return Refuse(text, "has a '%' not followed by two hex digits");
  server.user = *user;
  server.host = *host;
  server.database = *database;
  if (server.database.empty()) return Refuse(text, "names no database (postgresql://host/dbname)");
  if (!server.port.empty() && !IsPort(server.port)) {
    return Refuse(text, "has a port that is not a number: " + server.port);
  }
  location.server = std::move(server);
  return location;
}

}  // namespace tessimor::production
