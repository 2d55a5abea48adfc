#include "production/qt/record_schema.h"

#include <QStringList>
#include <optional>

namespace tessimor::production {

namespace {

// Raised when a newer program changes the tables; an older one then refuses the record.
constexpr int kSchemaVersion = 2;
constexpr char kSchemaTable[] = "record_schema";

QStringList Tables(const Database& db) {
  const QString id = db.IdColumn();
  return {
      "CREATE TABLE IF NOT EXISTS record_schema (version INTEGER NOT NULL)",
      QString("CREATE TABLE IF NOT EXISTS series (%1,"
              " image_sha256 TEXT NOT NULL, layout TEXT NOT NULL, numbering TEXT NOT NULL,"
              " created TEXT NOT NULL)")
          .arg(id),
      QString("CREATE TABLE IF NOT EXISTS runs (%1,"
              " host TEXT NOT NULL, boot TEXT NOT NULL, pid BIGINT NOT NULL,"
              " process_start BIGINT NOT NULL, started TEXT NOT NULL, ended TEXT,"
              " station TEXT NOT NULL DEFAULT '')")
          .arg(id),
      QString("CREATE TABLE IF NOT EXISTS parts (%1,"
              " series_id BIGINT NOT NULL REFERENCES series (id),"
              " run_id BIGINT NOT NULL REFERENCES runs (id),"
              " idx BIGINT NOT NULL, serial TEXT NOT NULL, state TEXT NOT NULL,"
              " rework INTEGER NOT NULL, reusable INTEGER NOT NULL,"
              " port TEXT NOT NULL, usb_serial TEXT NOT NULL, started TEXT NOT NULL, ended TEXT,"
              " seconds DOUBLE PRECISION, crc32 BIGINT, error TEXT,"
              " station TEXT NOT NULL DEFAULT '')")
          .arg(id),
      "CREATE INDEX IF NOT EXISTS parts_serial ON parts (serial)",
      "CREATE INDEX IF NOT EXISTS parts_series_idx ON parts (series_id, idx)",
  };
}

// Version 2 names the station of every run and part; the runs before it were their hosts'.
const QStringList kToVersion2 = {
    "ALTER TABLE runs ADD COLUMN station TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE parts ADD COLUMN station TEXT NOT NULL DEFAULT ''",
    "UPDATE runs SET station = host",
    "UPDATE parts SET station = (SELECT host FROM runs WHERE runs.id = parts.run_id)",
};

// The version the tables hold: 0 for none; nullopt with *error set when it cannot be read or
// is newer than this program's.
std::optional<int> VersionOf(Database& db, std::string* error) {
  const std::optional<bool> has = db.HasTable(kSchemaTable, error);
  if (!has) return std::nullopt;
  if (!*has) return 0;
  const std::optional<QVariant> version = db.Value("SELECT version FROM record_schema", {}, error);
  if (!version) return std::nullopt;
  if (version->toInt() > kSchemaVersion) {
    *error =
        db.Refusal("made by a newer program (record version " + version->toString().toStdString() +
                   "; this one knows up to " + std::to_string(kSchemaVersion) + ")");
    return std::nullopt;
  }
  return version->toInt();
}

// Inside a write transaction: the tables made when `make`, brought up to `kSchemaVersion`, and
// the version written when it changed or `always`.
bool Settle(Database& db, bool make, bool always, std::string* error, std::string* said) {
  std::optional<int> version = VersionOf(db, error);
  if (!version) return false;
  if (*version == 0 && !make) {
    *error = db.IsServer() ? db.Refusal(
                                 "the database holds no production record yet; make one with "
                                 "tessimor-eeprom-cli db init " +
                                 db.Where())
                           : db.Refusal("holds no production record");
    return false;
  }
  if (*version == 0) {
    for (const QString& table : Tables(db)) {
      if (!db.Exec(table, {}, error)) return false;
    }
  }
  if (*version == 1) {
    for (const QString& step : kToVersion2) {
      if (!db.Exec(step, {}, error)) return false;
    }
  }
  const bool changed = *version != kSchemaVersion;
  if (said) {
    const std::string now = "version " + std::to_string(kSchemaVersion);
    *said = *version == 0 ? "made the production record (" + now + ")"
            : changed ? "brought the production record from version " + std::to_string(*version) +
                            " up to " + now
                      : "the production record is up to date (" + now + "); nothing changed";
  }
  if (!changed && !always) return true;
  const QString write = *version == 0 ? "INSERT INTO record_schema (version) VALUES (?)"
                                      : "UPDATE record_schema SET version = ?";
  return db.Exec(write, {kSchemaVersion}, error);
}

}  // namespace

std::unique_ptr<Database> OpenRecord(const std::string& location, RecordUse use, std::string* error,
                                     std::string* said) {
  const Checked<RecordLocation> where = ParseRecordLocation(location);
  if (!where.value) {
    *error = where.error;
    return nullptr;
  }
  std::unique_ptr<Database> db = Database::Open(
      *where.value, use == RecordUse::kRead ? Database::Use::kRead : Database::Use::kWrite, error);
  if (!db) return nullptr;
  if (use == RecordUse::kRead) {
    const std::optional<int> version = VersionOf(*db, error);
    if (!version) return nullptr;
    if (*version == kSchemaVersion) return db;
    if (*version == 0) {
      *error = db->Refusal("holds no production record");
      return nullptr;
    }
  }
  const bool make = use == RecordUse::kInit || !db->IsServer();
  // The same version written again on a file: a real write, so a full disk shows now and not
  // mid-run.
  const bool always = use == RecordUse::kWrite && !db->IsServer();
  if (!db->BeginWrite(error)) return nullptr;
  if (!Settle(*db, make, always, error, said) || !db->Commit(error)) {
    db->Rollback();
    return nullptr;
  }
  return db;
}

}  // namespace tessimor::production
