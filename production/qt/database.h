#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "production/record_location.h"

class QSqlError;
class QSqlQuery;

namespace tessimor::production {

// One connection of its own to a database file or a server's database, removed when it goes.
// Values are bound, never pasted into the SQL. Every failure is worded once, here, naming where
// the database is.
class Database {
 public:
  enum class Use { kWrite, kRead };
  // A file must exist under kRead; under kWrite it may be made, and what the system says against
  // writing it is told now. A server's database is connected to. nullptr with *error set.
  // `what` leads every refusal: "production record PATH: read-only".
  static std::unique_ptr<Database> Open(const RecordLocation& where, Use use, std::string* error,
                                        const std::string& what = "production record");
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // False with *error set when the statement failed; `changed` gets the rows it changed.
  bool Exec(const QString& sql, const QVariantList& values, std::string* error,
            int* changed = nullptr);
  // The first column of the first row, a null QVariant for no row; nullopt with *error set.
  std::optional<QVariant> Value(const QString& sql, const QVariantList& values, std::string* error);
  bool Each(const QString& sql, const QVariantList& values,
            const std::function<void(const QSqlQuery&)>& row, std::string* error);
  // A transaction that holds the record's one write lock from its start, so that writers on any
  // number of stations take their turns and a transaction never waits for it halfway through.
  bool BeginWrite(std::string* error);
  bool Commit(std::string* error);
  void Rollback();

  bool IsServer() const { return where_.server.has_value(); }
  // The file's path or the server's URL, as given.
  const std::string& Where() const { return where_.text; }
  // The server went away: every statement fails at once until Reconnect succeeds.
  bool Lost() const { return lost_; }
  bool Reconnect(std::string* error);
  // How a table's row id is declared: made on insert.
  QString IdColumn() const;
  // Whether `table` exists; nullopt with *error set.
  std::optional<bool> HasTable(const QString& table, std::string* error);
  // "WHAT WHERE: reason".
  std::string Refusal(const std::string& reason) const;

 private:
  Database(RecordLocation where, std::string what, QString connection);
  bool Connect(std::string* error);
  bool Prepare(QSqlQuery& query, const QString& sql, const QVariantList& values,
               std::string* error);
  std::string Problem(const QSqlError& failure);
  std::string ConnectProblem() const;
  // Exec, trying again while another program holds the file for a moment.
  bool ExecWaiting(const QString& sql, std::string* error);

  RecordLocation where_;
  std::string what_;
  QString connection_;
  QSqlDatabase db_;
  bool lost_ = false;
};

// The states of a part's row.
inline constexpr char kReserved[] = "reserved";
inline constexpr char kPassed[] = "passed";
inline constexpr char kFailed[] = "failed";
inline constexpr char kInterrupted[] = "interrupted";

// How times are stored: UTC ISO-8601 with milliseconds.
QString TimeText(std::int64_t ms_since_epoch);

}  // namespace tessimor::production
