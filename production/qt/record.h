#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/process_identity.h"

// The production record: which serial number went to which part, kept in a database file of the
// station, or on a server a line of stations shares, so that no number goes to two parts, across
// crashes, power cuts, runs sharing the record and a server that goes away for a while.
namespace tessimor::production {

class Database;
class Journal;
struct OutcomeRow;

inline constexpr char kDefaultJournal[] = "tessimor-journal.db";

// `name`, or this host's name when it is empty.
std::string StationName(const std::string& name);

// Who writes into the record.
struct StationSettings {
  std::string name;     // empty: this host's name
  std::string journal;  // for a server's record; empty: kDefaultJournal in the working folder
};

// What becomes of a failed part's number: never handed out again, or given to the next part.
enum class FailPolicy { kVoid, kReuse };

// What a series of numbers is tied to; another of these needs a new series.
struct SeriesPlan {
  std::string image_sha256;  // hex, of the golden image file's bytes
  std::string layout;        // canonical text of the fields
  std::string numbering;  // canonical text: "start 100000 step 1" or "file serials.txt sha256 ..."
  bool new_series = false;
};

struct Reservation {
  std::int64_t part_id = 0;
  std::uint64_t index = 0;
  std::string serial;
  bool rework = false;
};

struct PartOutcome {
  bool passed = false;
  std::string error;
  std::uint32_t crc32 = 0;
};

// The text of the serial number at `index` of the series; nullopt with *error set when there is
// none (a serials file used up, a value too wide for its encoding).
using NumberAt = std::function<std::optional<std::string>(std::uint64_t index, std::string* error)>;
// Milliseconds since the epoch.
using Clock = std::function<std::int64_t()>;

class Record {
 public:
  // Opens the record at `location`: a file's path, made when missing, or a server's URL, whose
  // tables `db init` made. It is proven writable. For a server the station's journal is opened
  // too, and the outcomes waiting in it go in first. nullptr with a one-line *error naming the
  // record: not a database, read-only (the file or its folder), a full disk, a record of a newer
  // program, a server that refuses or cannot be reached.
  static std::unique_ptr<Record> Open(const std::string& location, std::string* error,
                                      StationSettings station = {}, Clock clock = {});
  // Makes the record's tables at `location` when missing and brings older ones up to date; *said
  // tells which, in a sentence. Run again it changes nothing.
  static bool Init(const std::string& location, std::string* said, std::string* error);
  // Marks the reserved parts of `station`'s unfinished runs interrupted and ends those runs; a run
  // of this host whose process still runs is left alone. The count, or nullopt with *error set.
  static std::optional<int> Recover(const std::string& location, const std::string& station,
                                    std::string* error);
  // Takes up the newest series when it matches `plan`, or starts one when the record holds none
  // or plan.new_series asks for it; another image, layout or numbering is refused otherwise.
  // Marks the reserved parts of this host's runs whose process has ended `interrupted` (their
  // numbers never come again) and gives their count. Registers this run, so that other live
  // runs' reservations are left alone.
  bool BeginRun(const SeriesPlan& plan, FailPolicy policy, std::string* error, int* interrupted);
  // A committed reservation, before the part is touched. Under kReuse the lowest failed number
  // of this series not yet given again comes first; otherwise the next index after every index
  // handed out in this series. A number any row of the record holds is skipped.
  std::optional<Reservation> Reserve(const NumberAt& number_at, const std::string& port,
                                     const std::string& usb_serial, std::string* error);
  // The number Reserve would give now, without taking it; nullopt with *error set when there is
  // none, so that a used-up series is refused before any part is touched.
  std::optional<std::string> NextNumber(const NumberAt& number_at, std::string* error);
  std::int64_t SeriesId() const { return series_id_; }
  // A rework of `serial`, a number this series shows as passed: a row of its own with that same
  // number. nullopt with an empty *error when the number has not passed in this series.
  std::optional<Reservation> ReserveRework(const std::string& serial, const std::string& port,
                                           const std::string& usb_serial, std::string* error);
  // The part's outcome: passed or failed, end time, seconds, CRC-32 of what was written, error.
  // While the server is away it waits in the journal, which is as good: it goes in once the
  // server is back.
  bool Finish(const Reservation& reservation, const PartOutcome& outcome, std::string* error);

  // Why the server cannot be reached, empty while it can (and always for a file). Meanwhile no
  // reservation is made.
  const std::string& Away() const { return away_; }
  // Away, and what that means here: "...\nNo new part starts until it is back; 2 outcomes wait
  // in the journal FILE."; empty while the server answers.
  std::string AwayText() const;
  // Outcomes waiting in the journal for the server.
  std::size_t Waiting() const { return waiting_; }
  std::string JournalPath() const;
  const std::string& Station() const { return station_; }
  // While away, tries the server again unless it tried lately (unless `now`), and sends it the
  // journal's outcomes once it answers. The wait after a try that failed starts at kRetryMs and
  // doubles up to kRetryMaxMs: a try can take the whole connect timeout, which a station's window
  // spends frozen.
  void Retry(bool now = false);
  // Retry while away; otherwise asks a server whether it is still there, so that an idle station
  // knows before its next part.
  void Check();
  // What changed since last asked, in sentences a face shows as they are: the server gone, the
  // server back with the journal's outcomes in. Empty when nothing did.
  std::vector<std::string> TakeNews();
  static constexpr int kRetryMs = 1000;
  static constexpr int kRetryMaxMs = 16000;
  // Ends the run: its parts still reserved are interrupted.
  ~Record();
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

 private:
  Record(std::unique_ptr<Database> database, std::string location, std::string station,
         Clock clock);
  // Notes the server gone when the last failure showed it; true then.
  bool NoteAway(const std::string& why);
  // Sends the journal's outcomes; false with the first failure in *error.
  bool SendJournal(std::string* error);
  // The outcome into its row. Once in is in: sent a second time it changes nothing.
  bool Put(const OutcomeRow& row, std::string* error);
  bool TakeSeries(const SeriesPlan& plan, std::string* error);
  // Ends the unfinished runs whose `column` (host or station) is `value`, but for those of this
  // host whose process still runs; gives the count of their parts marked interrupted.
  std::optional<int> EndRunsOf(const QString& column, const std::string& value, std::string* error);
  // Marks the run's parts still reserved interrupted, their count in *interrupted, and ends it;
  // inside a write transaction.
  bool EndRun(std::int64_t run, std::string* error, int* interrupted);
  std::optional<Reservation> Insert(std::uint64_t index, const std::string& serial, bool rework,
                                    const std::string& port, const std::string& usb_serial,
                                    std::string* error);
  // The next index after every one handed out whose number no row holds, with that number.
  std::optional<std::pair<std::uint64_t, std::string>> FreshNumber(const NumberAt& number_at,
                                                                   std::string* error);
  std::optional<Reservation> NextFresh(const NumberAt& number_at, const std::string& port,
                                       const std::string& usb_serial, std::string* error);
  std::optional<Reservation> NextReused(const std::string& port, const std::string& usb_serial,
                                        std::string* error);
  // Runs `step` in one write transaction, committed when it gives a value and no error.
  std::optional<Reservation> InTransaction(
      const std::function<std::optional<Reservation>(std::string*)>& step, std::string* error);

  std::unique_ptr<Database> database_;
  std::unique_ptr<Journal> journal_;  // for a server only
  std::string location_;
  std::string station_;
  std::string away_;
  std::size_t waiting_ = 0;
  std::int64_t last_try_ms_ = 0;
  std::int64_t retry_wait_ms_ = kRetryMs;
  std::vector<std::string> news_;
  Clock clock_;
  ProcessIdentity self_;
  FailPolicy policy_ = FailPolicy::kVoid;
  std::int64_t series_id_ = 0;
  std::int64_t run_id_ = 0;
  std::map<std::int64_t, std::int64_t> started_ms_;  // by part id, for its seconds
};

}  // namespace tessimor::production
