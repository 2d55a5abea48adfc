#pragma once

#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessimor::production {

class Database;

// A part's outcome as its row takes it.
struct OutcomeRow {
  std::int64_t part_id = 0;
  std::string state;  // passed or failed
  std::string ended;  // as TimeText gives it, which tells one outcome of a part from another
  QVariant seconds;   // null when unknown
  std::int64_t crc32 = 0;
  std::string error;
  bool reusable = false;
};

// Where a station keeps the outcomes its record server could not take, in a database file of
// its own, until they go in. Each is committed before the part is reported.
class Journal {
 public:
  // Made when missing. nullptr with *error set ("journal PATH: ...").
  static std::unique_ptr<Journal> Open(const std::string& path, std::string* error);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  bool Add(const std::string& record, const OutcomeRow& row, std::string* error);
  // The outcomes waiting for `record`, oldest first, with the journal's own id of each.
  std::optional<std::vector<std::pair<std::int64_t, OutcomeRow>>> Waiting(const std::string& record,
                                                                          std::string* error);
  bool Remove(std::int64_t id, std::string* error);
  const std::string& Path() const { return path_; }

 private:
  Journal(std::unique_ptr<Database> database, std::string path);

  std::unique_ptr<Database> database_;
  std::string path_;
};

}  // namespace tessimor::production
