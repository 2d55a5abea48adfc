#include "production/qt/journal.h"

#include <QSqlQuery>

#include "production/qt/database.h"

namespace tessimor::production {

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

Journal::Journal(std::unique_ptr<Database> database, std::string path)
    : database_(std::move(database)), path_(std::move(path)) {}

Journal::~Journal() = default;

std::unique_ptr<Journal> Journal::Open(const std::string& path, std::string* error) {
  std::unique_ptr<Database> database =
      Database::Open(RecordLocation{path, std::nullopt}, Database::Use::kWrite, error, "journal");
  if (!database) return nullptr;
  const QString table = QString(
                            "CREATE TABLE IF NOT EXISTS outcomes (%1, record TEXT NOT NULL,"
                            " part_id BIGINT NOT NULL, state TEXT NOT NULL, ended TEXT NOT NULL,"
                            " seconds DOUBLE PRECISION, crc32 BIGINT NOT NULL, error TEXT,"
                            " reusable INTEGER NOT NULL)")
                            .arg(database->IdColumn());
  if (!database->Exec(table, {}, error)) return nullptr;
  return std::unique_ptr<Journal>(new Journal(std::move(database), path));
}

bool Journal::Add(const std::string& record, const OutcomeRow& row, std::string* error) {
  return database_->Exec(
      "INSERT INTO outcomes (record, part_id, state, ended, seconds, crc32, error, reusable)"
      " VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
      {Text(record), QVariant::fromValue(row.part_id), Text(row.state), Text(row.ended),
       row.seconds, QVariant::fromValue(row.crc32),
       row.error.empty() ? QVariant() : QVariant(Text(row.error)), row.reusable ? 1 : 0},
      error);
}

std::optional<std::vector<std::pair<std::int64_t, OutcomeRow>>> Journal::Waiting(
    const std::string& record, std::string* error) {
  std::vector<std::pair<std::int64_t, OutcomeRow>> rows;
  const bool read = database_->Each(
      "SELECT id, part_id, state, ended, seconds, crc32, error, reusable FROM outcomes"
      " WHERE record = ? ORDER BY id",
      {Text(record)},
      [&](const QSqlQuery& q) {
        rows.push_back(
            {q.value(0).toLongLong(),
             OutcomeRow{q.value(1).toLongLong(), q.value(2).toString().toStdString(),
                        q.value(3).toString().toStdString(), q.value(4), q.value(5).toLongLong(),
                        q.value(6).toString().toStdString(), q.value(7).toInt() != 0}});
      },
      error);
  if (!read) return std::nullopt;
  return rows;
}

bool Journal::Remove(std::int64_t id, std::string* error) {
  return database_->Exec("DELETE FROM outcomes WHERE id = ?", {QVariant::fromValue(id)}, error);
}

}  // namespace tessimor::production
