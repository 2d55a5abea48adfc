#include "production/qt/database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <filesystem>

#include "platform/file_problem.h"

namespace tessimor::production {

namespace {

// ---- SQLite's own statements, all in this one place: every other statement of the record is
// SQL a server database takes as well. ----
constexpr char kDriver[] = "QSQLITE";
// Two stations on one file wait for each other's transactions instead of failing.
constexpr char kConnectOptions[] = "QSQLITE_BUSY_TIMEOUT=10000";
// A committed reservation survives a power cut; readers never block the one writer.
const QStringList kSettings = {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"};
constexpr char kBeginWrite[] = "BEGIN IMMEDIATE";
// An alias of SQLite's rowid: made on insert.
const QString kIdColumn = "id INTEGER PRIMARY KEY";
// SQLite's result codes that have words of their own; its extended codes keep them in the low byte.
constexpr int kPrimaryCodeMask = 0xFF;
constexpr int kBusyCode = 5;
constexpr int kLockedCode = 6;
constexpr int kReadOnlyCode = 8;
constexpr int kDiskFullCode = 13;
constexpr int kNotADatabaseCode = 26;
// Extended codes of a write, or a growth of the shared-memory file, that the system refused.
constexpr int kWriteFailedCode = 778;
constexpr int kGrowthFailedCode = 4874;
// Turning a new file to WAL needs it alone for a moment, and SQLite says so at once instead of
// waiting when another program is opening it too: that is waited out as the busy timeout would.
constexpr int kSetUpWaitMs = 10000;
constexpr int kSetUpRetryMs = 20;
// ---- end of SQLite's own ----

// Raised when a newer program changes the tables; an older one then refuses the file.
constexpr int kSchemaVersion = 1;

const QStringList kTables = {
    "CREATE TABLE IF NOT EXISTS record_schema (version INTEGER NOT NULL)",
    QString("CREATE TABLE IF NOT EXISTS series (%1,"
            " image_sha256 TEXT NOT NULL, layout TEXT NOT NULL, numbering TEXT NOT NULL,"
            " created TEXT NOT NULL)")
        .arg(kIdColumn),
    QString("CREATE TABLE IF NOT EXISTS runs (%1,"
            " host TEXT NOT NULL, boot TEXT NOT NULL, pid BIGINT NOT NULL,"
            " process_start BIGINT NOT NULL, started TEXT NOT NULL, ended TEXT)")
        .arg(kIdColumn),
    QString("CREATE TABLE IF NOT EXISTS parts (%1,"
            " series_id BIGINT NOT NULL REFERENCES series (id),"
            " run_id BIGINT NOT NULL REFERENCES runs (id),"
            " idx BIGINT NOT NULL, serial TEXT NOT NULL, state TEXT NOT NULL,"
            " rework INTEGER NOT NULL, reusable INTEGER NOT NULL,"
            " port TEXT NOT NULL, usb_serial TEXT NOT NULL, started TEXT NOT NULL, ended TEXT,"
            " seconds DOUBLE PRECISION, crc32 BIGINT, error TEXT)")
        .arg(kIdColumn),
    "CREATE INDEX IF NOT EXISTS parts_serial ON parts (serial)",
    "CREATE INDEX IF NOT EXISTS parts_series_idx ON parts (series_id, idx)",
};

std::string Refusal(const std::string& path, const std::string& reason) {
  return "production record " + path + ": " + reason;
}

std::string Reason(const std::string& path, int error) {
  return FileProblemReason(FileProblemFromErrno(path, error));
}

// What the system says against writing the file, or against the journal files SQLite makes
// beside it; empty when nothing does.
std::string WriteObstacle(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return Reason(path, EISDIR);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return Reason(path, errno);
    ::close(fd);
  }
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const std::string folder = parent.empty() ? "." : parent.string();
  // Effective rights: a process that dropped its privileges is held to the folder's modes.
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) != 0) {
    return "its folder cannot be written: " + Reason(folder, errno);
  }
  return {};
}

QString ConnectionName() {
  static std::atomic<int> count{0};
  return QString("tessimor-record-%1").arg(++count);
}

}  // namespace

QString TimeText(std::int64_t ms_since_epoch) {
  return QDateTime::fromMSecsSinceEpoch(ms_since_epoch, Qt::UTC).toString(Qt::ISODateWithMs);
}

Database::Database(std::string path, QString connection)
    : path_(std::move(path)),
      connection_(std::move(connection)),
      db_(QSqlDatabase::addDatabase(kDriver, connection_)) {}

Database::~Database() {
  db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(connection_);
}

std::unique_ptr<Database> Database::Open(const std::string& path, Use use, std::string* error) {
  if (use == Use::kRead && ::access(path.c_str(), F_OK) != 0) {
    *error = Refusal(path, Reason(path, errno));
    return nullptr;
  }
  if (use == Use::kWrite) {
    if (const std::string obstacle = WriteObstacle(path); !obstacle.empty()) {
      *error = Refusal(path, obstacle);
      return nullptr;
    }
  }
  std::unique_ptr<Database> database(new Database(path, ConnectionName()));
  if (!database->SetUp(use, error)) return nullptr;
  return database;
}

bool Database::SetUp(Use use, std::string* error) {
  db_.setDatabaseName(QString::fromStdString(path_));
  db_.setConnectOptions(kConnectOptions);
  if (!db_.open()) {
    *error = Problem(db_.lastError().nativeErrorCode(), db_.lastError().databaseText());
    return false;
  }
  for (const QString& setting : kSettings) {
    if (!ExecWaiting(setting, error)) return false;
  }
  if (use == Use::kWrite) {
    if (!BeginWrite(error)) return false;
    for (const QString& table : kTables) {
      if (!Exec(table, {}, error)) return false;
    }
  }
  const std::optional<QVariant> version = Value("SELECT version FROM record_schema", {}, error);
  if (!version) return false;
  if (version->toInt() > kSchemaVersion) {
    *error = Refusal(path_, "made by a newer program (record version " +
                                version->toString().toStdString() + "; this one knows up to " +
                                std::to_string(kSchemaVersion) + ")");
    return false;
  }
  if (use == Use::kRead) return true;
  // The same version written again: a real write, so a full disk shows now and not mid-run.
  const QString write = version->isNull() ? "INSERT INTO record_schema (version) VALUES (?)"
                                          : "UPDATE record_schema SET version = ?";
  return Exec(write, {kSchemaVersion}, error) && Commit(error);
}

bool Database::ExecWaiting(const QString& sql, std::string* error) {
  QElapsedTimer waited;
  waited.start();
  for (;;) {
    QSqlQuery query(db_);
    if (query.exec(sql)) return true;
    const int code = query.lastError().nativeErrorCode().toInt() & kPrimaryCodeMask;
    if ((code != kBusyCode && code != kLockedCode) || waited.elapsed() > kSetUpWaitMs) {
      *error = Problem(query.lastError().nativeErrorCode(), query.lastError().databaseText());
      return false;
    }
    QThread::msleep(kSetUpRetryMs);
  }
}

bool Database::Prepare(QSqlQuery& query, const QString& sql, const QVariantList& values,
                       std::string* error) {
  query.setForwardOnly(true);
  if (query.prepare(sql)) {
    for (const QVariant& value : values) query.addBindValue(value);
    if (query.exec()) return true;
  }
  *error = Problem(query.lastError().nativeErrorCode(), query.lastError().databaseText());
  return false;
}

bool Database::Exec(const QString& sql, const QVariantList& values, std::string* error,
                    int* changed) {
  QSqlQuery query(db_);
  if (!Prepare(query, sql, values, error)) return false;
  if (changed) *changed = query.numRowsAffected();
  return true;
}

std::optional<QVariant> Database::Value(const QString& sql, const QVariantList& values,
                                        std::string* error) {
  QSqlQuery query(db_);
  if (!Prepare(query, sql, values, error)) return std::nullopt;
  return query.next() ? query.value(0) : QVariant();
}

bool Database::Each(const QString& sql, const QVariantList& values,
                    const std::function<void(const QSqlQuery&)>& row, std::string* error) {
  QSqlQuery query(db_);
  if (!Prepare(query, sql, values, error)) return false;
  while (query.next()) row(query);
  return true;
}

bool Database::BeginWrite(std::string* error) {
  return Exec(kBeginWrite, {}, error);
}

bool Database::Commit(std::string* error) {
  return Exec("COMMIT", {}, error);
}

void Database::Rollback() {
  // Nothing to undo when the transaction already ended with the failure that led here.
  std::string ignored;
  Exec("ROLLBACK", {}, &ignored);
}

std::string Database::Problem(const QString& native_code, const QString& text) const {
  const int code = native_code.toInt();
  if (code == kWriteFailedCode || code == kGrowthFailedCode) {
    return Refusal(path_, "writing to it failed; is the disk full?");
  }
  switch (code & kPrimaryCodeMask) {
    case kReadOnlyCode:
      return Refusal(path_, "read-only");
    case kDiskFullCode:
      return Refusal(path_, "the disk is full");
    case kNotADatabaseCode:
      return Refusal(path_, "not a database");
    default:
      return Refusal(path_, text.toStdString());
  }
}

}  // namespace tessimor::production
