#include "production/qt/report.h"

#include <QDateTime>
#include <QSqlQuery>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <memory>

#include "production/qt/database.h"
#include "production/qt/record_schema.h"

namespace tessimor::production {

namespace {

constexpr const char* kStates[] = {kPassed, kFailed, kInterrupted, kReserved};
constexpr double kMsPerHour = 3600.0 * 1000.0;
constexpr char kCsvLineEnd[] = "\r\n";
constexpr char kCsvHeader[] =
    "part,series,run,host,index,serial,state,rework,port,usb_serial,started,ended,seconds,crc32,"
    "error,station";
constexpr char kNone[] = "-";

std::string Csv(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (const char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

// In the C locale whatever the program's is: a decimal comma would split a CSV field.
std::string Fixed(double value, int decimals) {
  char text[32];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  return std::string(text, end);
}

std::string Hex32(std::uint64_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08" PRIX64, value);
  return text;
}

std::string TextOf(const QVariant& value) {
  return value.toString().toStdString();
}

std::int64_t MsOf(const QVariant& time) {
  return QDateTime::fromString(time.toString(), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

// "station bench-2: 50 parts, 49 passed, 1 failed, 0 interrupted, 0 reserved".
bool WriteStations(Database& db, std::ostream& out, std::string* error) {
  std::map<std::string, std::map<std::string, std::int64_t>> stations;
  if (!db.Each(
          "SELECT station, state, COUNT(*) FROM parts GROUP BY station, state", {},
          [&](const QSqlQuery& row) {
            stations[TextOf(row.value(0))][TextOf(row.value(1))] = row.value(2).toLongLong();
          },
          error)) {
    return false;
  }
  for (auto& [station, counts] : stations) {
    std::int64_t parts = 0;
    for (const auto& [state, count] : counts) parts += count;
    out << "station " << station << ": " << parts << (parts == 1 ? " part" : " parts");
    for (const char* state : kStates) out << ", " << counts[state] << ' ' << state;
    out << '\n';
  }
  return true;
}

}  // namespace

bool WriteSummary(const std::string& location, std::ostream& out, std::string* error) {
  const std::unique_ptr<Database> db = OpenRecord(location, RecordUse::kRead, error);
  if (!db) return false;
  std::map<std::string, std::int64_t> counts;
  std::int64_t parts = 0;
  std::int64_t reworks = 0;
  std::string first = kNone;
  std::string last = kNone;
  std::string rate = kNone;
  const bool read =
      db->Each(
          "SELECT state, COUNT(*), SUM(rework) FROM parts GROUP BY state", {},
          [&](const QSqlQuery& row) {
            counts[TextOf(row.value(0))] = row.value(1).toLongLong();
            parts += row.value(1).toLongLong();
            reworks += row.value(2).toLongLong();
          },
          error) &&
      db->Each(
          "SELECT serial FROM parts WHERE rework = 0 ORDER BY series_id, idx, id", {},
          [&](const QSqlQuery& row) {
            if (first == kNone) first = TextOf(row.value(0));
            last = TextOf(row.value(0));
          },
          error) &&
      db->Each(
          "SELECT COUNT(*), MIN(started), MAX(ended) FROM parts WHERE state = ?", {kPassed},
          [&](const QSqlQuery& row) {
            const std::int64_t span = MsOf(row.value(2)) - MsOf(row.value(1));
            if (span > 0) {
              rate = Fixed(row.value(0).toLongLong() * kMsPerHour / span, 1);
            }
          },
          error);
  if (!read) return false;
  out << "parts: " << parts << '\n';
  for (const char* state : kStates) out << state << ": " << counts[state] << '\n';
  out << "reworks: " << reworks << '\n'
      << "first number: " << first << '\n'
      << "last number: " << last << '\n'
      << "parts per hour: " << rate << '\n';
  return WriteStations(*db, out, error);
}

bool WriteCsv(const std::string& location, std::ostream& out, std::string* error) {
  const std::unique_ptr<Database> db = OpenRecord(location, RecordUse::kRead, error);
  if (!db) return false;
  out << kCsvHeader << kCsvLineEnd;
  return db->Each(
      "SELECT p.id, p.series_id, p.run_id, r.host, p.idx, p.serial, p.state, p.rework, p.port,"
      " p.usb_serial, p.started, p.ended, p.seconds, p.crc32, p.error, p.station"
      " FROM parts p JOIN runs r ON r.id = p.run_id ORDER BY p.id",
      {},
      [&](const QSqlQuery& row) {
        constexpr int kSeconds = 12;
        constexpr int kCrc = 13;
        constexpr int kColumns = 16;
        for (int column = 0; column < kColumns; ++column) {
          const QVariant value = row.value(column);
          std::string field = TextOf(value);
          if (value.isNull()) {
            field.clear();
          } else if (column == kSeconds) {
            field = Fixed(value.toDouble(), 3);
          } else if (column == kCrc) {
            field = Hex32(static_cast<std::uint64_t>(value.toLongLong()));
          }
          out << (column > 0 ? "," : "") << Csv(field);
        }
        out << kCsvLineEnd;
      },
      error);
}

}  // namespace tessimor::production
