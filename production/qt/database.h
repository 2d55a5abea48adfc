#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QSqlQuery;

namespace tessimor::production {

// One connection of its own to a record file, removed when it goes. Values are bound, never
// pasted into the SQL. Every failure is worded once, here, naming the file.
class Database {
 public:
  enum class Use { kWrite, kRead };
  // Under kWrite creates the file and its tables when missing and proves it writable with a
  // committed write; under kRead the file must hold a record already. nullptr with *error set.
  static std::unique_ptr<Database> Open(const std::string& path, Use use, std::string* error);
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
  // Takes the write lock at once, so a transaction never waits for it halfway through.
  bool BeginWrite(std::string* error);
  bool Commit(std::string* error);
  void Rollback();

 private:
  Database(std::string path, QString connection);
  bool Prepare(QSqlQuery& query, const QString& sql, const QVariantList& values,
               std::string* error);
  std::string Problem(const QString& native_code, const QString& text) const;
  bool SetUp(Use use, std::string* error);
  // Exec, trying again while another program holds the file for a moment.
  bool ExecWaiting(const QString& sql, std::string* error);

  std::string path_;
  QString connection_;
  QSqlDatabase db_;
};

// The states of a part's row.
inline constexpr char kReserved[] = "reserved";
inline constexpr char kPassed[] = "passed";
inline constexpr char kFailed[] = "failed";
inline constexpr char kInterrupted[] = "interrupted";

// How times are stored: UTC ISO-8601 with milliseconds.
QString TimeText(std::int64_t ms_since_epoch);

}  // namespace tessimor::production
