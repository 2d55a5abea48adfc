#include "production/qt/record.h"

#include <QSqlQuery>
#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "production/qt/database.h"
#include "production/qt/journal.h"
#include "production/qt/record_schema.h"

namespace tessimor::production {

namespace {

constexpr double kMsPerSecond = 1000.0;

std::int64_t SystemClock() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// "image", "image and layout", "image, layout and numbering".
std::string Listed(const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
    text += words[i];
  }
  return text;
}

}  // namespace

std::string StationName(const std::string& name) {
  return name.empty() ? ThisProcess().host : name;
}

Record::Record(std::unique_ptr<Database> database, std::string location, std::string station,
               Clock clock)
    : database_(std::move(database)),
      location_(std::move(location)),
      station_(std::move(station)),
      clock_(clock ? std::move(clock) : Clock(SystemClock)),
      self_(ThisProcess()) {}

std::unique_ptr<Record> Record::Open(const std::string& location, std::string* error,
                                     StationSettings station, Clock clock) {
  std::unique_ptr<Database> database = OpenRecord(location, RecordUse::kWrite, error);
  if (!database) return nullptr;
  std::unique_ptr<Record> record(
      new Record(std::move(database), location, StationName(station.name), std::move(clock)));
  if (!record->database_->IsServer()) return record;
  record->journal_ =
      Journal::Open(station.journal.empty() ? kDefaultJournal : station.journal, error);
  if (!record->journal_ || !record->SendJournal(error)) return nullptr;
  return record;
}

bool Record::Init(const std::string& location, std::string* said, std::string* error) {
  return OpenRecord(location, RecordUse::kInit, error, said) != nullptr;
}

std::optional<int> Record::Recover(const std::string& location, const std::string& station,
                                   std::string* error) {
  std::unique_ptr<Database> database = OpenRecord(location, RecordUse::kWrite, error);
  if (!database) return std::nullopt;
  Record record(std::move(database), location, station, {});
  std::optional<int> count;
  if (record.database_->BeginWrite(error)) count = record.EndRunsOf("station", station, error);
  if (!count || !record.database_->Commit(error)) {
    record.database_->Rollback();
    return std::nullopt;
  }
  return count;
}

Record::~Record() {
  if (run_id_ == 0) return;
  // Left undone, the run stays open until the next run on this host finds this process gone.
  std::string ignored;
  if (!away_.empty()) return;
  const bool ended = database_->BeginWrite(&ignored) && EndRun(run_id_, &ignored, nullptr) &&
                     database_->Commit(&ignored);
  if (!ended) database_->Rollback();
}

std::string Record::JournalPath() const {
  return journal_ ? journal_->Path() : std::string();
}

std::vector<std::string> Record::TakeNews() {
  return std::exchange(news_, {});
}

bool Record::NoteAway(const std::string& why) {
  if (!database_->Lost()) return false;
  if (away_.empty()) {
    away_ = why;
    last_try_ms_ = clock_();
    retry_wait_ms_ = kRetryMs;
    news_.push_back(AwayText());
  }
  return true;
}

std::string Record::AwayText() const {
  if (away_.empty()) return {};
  const std::string waiting = waiting_ == 0   ? "outcomes wait"
                              : waiting_ == 1 ? "1 outcome waits"
                                              : std::to_string(waiting_) + " outcomes wait";
  return away_ + "\nNo new part starts until it is back; " + waiting + " in the journal " +
         journal_->Path() + ".";
}

void Record::Retry(bool now) {
  if (away_.empty() || (!now && clock_() - last_try_ms_ < retry_wait_ms_)) return;
  std::string error;
  const bool answered = database_->Reconnect(&error);
  last_try_ms_ = clock_();
  if (!answered) {
    retry_wait_ms_ = std::min<std::int64_t>(retry_wait_ms_ * 2, kRetryMaxMs);
    return;
  }
  if (!SendJournal(&error)) {
    NoteAway(error);
    return;
  }
  away_.clear();
  news_.push_back("The record server " + location_ + " is back; parts start again.");
}

void Record::Check() {
  if (!away_.empty() || !database_->IsServer()) {
    Retry();
    return;
  }
  std::string error;
  if (!database_->Value("SELECT 1", {}, &error)) NoteAway(error);
}

bool Record::SendJournal(std::string* error) {
  const auto waiting = journal_->Waiting(location_, error);
  if (!waiting) return false;
  waiting_ = waiting->size();
  std::size_t sent = 0;
  for (const auto& [id, row] : *waiting) {
    const bool put = Put(row, error);
    if (!put && database_->Lost()) return false;
    // A row that holds another outcome never takes this one: kept, it would hold the journal up
    // for good.
    if (!put) news_.push_back(*error + " (from the journal " + journal_->Path() + ")");
    if (!journal_->Remove(id, error)) return false;
    --waiting_;
    sent += put ? 1 : 0;
  }
  if (sent > 0) {
    news_.push_back(std::to_string(sent) + (sent == 1 ? " outcome" : " outcomes") +
                    " kept in the journal " + journal_->Path() +
                    " while the record server was away " + (sent == 1 ? "is" : "are") +
                    " now in the record.");
  }
  return true;
}

bool Record::Put(const OutcomeRow& row, std::string* error) {
  int changed = 0;
  // An interrupted part is one another station gave up on; its real outcome is worth more.
  const bool written = database_->Exec(
      "UPDATE parts SET state = ?, ended = ?, seconds = ?, crc32 = ?, error = ?, reusable = ?"
      " WHERE id = ? AND state IN (?, ?)",
      {Text(row.state), Text(row.ended), row.seconds, QVariant::fromValue(row.crc32),
       row.error.empty() ? QVariant() : QVariant(Text(row.error)), row.reusable ? 1 : 0,
       QVariant::fromValue(row.part_id), kReserved, kInterrupted},
      error, &changed);
  if (!written) return false;
  if (changed > 0) return true;
  // Sent before, with the answer lost on the way back.
  const std::optional<QVariant> same =
      database_->Value("SELECT id FROM parts WHERE id = ? AND state = ? AND ended = ?",
                       {QVariant::fromValue(row.part_id), Text(row.state), Text(row.ended)}, error);
  if (!same) return false;
  if (same->isNull()) {
    *error = "part " + std::to_string(row.part_id) +
             " of the record is no longer reserved; its outcome was not recorded";
    return false;
  }
  return true;
}

bool Record::EndRun(std::int64_t run, std::string* error, int* interrupted) {
  return database_->Exec("UPDATE parts SET state = ? WHERE run_id = ? AND state = ?",
                         {kInterrupted, QVariant::fromValue(run), kReserved}, error, interrupted) &&
         database_->Exec("UPDATE runs SET ended = ? WHERE id = ?",
                         {TimeText(clock_()), QVariant::fromValue(run)}, error);
}

bool Record::BeginRun(const SeriesPlan& plan, FailPolicy policy, std::string* error,
                      int* interrupted) {
  *interrupted = 0;
  if (!database_->BeginWrite(error)) return false;
  const std::optional<int> ended = EndRunsOf("host", self_.host, error);
  const std::optional<QVariant> run =
      ended && TakeSeries(plan, error)
          ? database_->Value(
                "INSERT INTO runs (host, boot, pid, process_start, started, station)"
                " VALUES (?, ?, ?, ?, ?, ?) RETURNING id",
                {Text(self_.host), Text(self_.boot), QVariant::fromValue(self_.pid),
                 QVariant::fromValue(self_.start_ticks), TimeText(clock_()), Text(station_)},
                error)
          : std::nullopt;
  if (!run || !database_->Commit(error)) {
    database_->Rollback();
    series_id_ = 0;
    return false;
  }
  run_id_ = run->toLongLong();
  policy_ = policy;
  *interrupted = *ended;
  return true;
}

std::optional<int> Record::EndRunsOf(const QString& column, const std::string& value,
                                     std::string* error) {
  std::vector<std::pair<std::int64_t, ProcessIdentity>> open_runs;
  const bool listed = database_->Each(
      "SELECT id, host, boot, pid, process_start FROM runs WHERE " + column +
          " = ? AND ended IS NULL",
      {Text(value)},
      [&](const QSqlQuery& row) {
        open_runs.push_back(
            {row.value(0).toLongLong(),
             {row.value(1).toString().toStdString(), row.value(2).toString().toStdString(),
              row.value(3).toLongLong(), row.value(4).toULongLong()}});
      },
      error);
  if (!listed) return std::nullopt;
  int count = 0;
  for (const auto& [run, identity] : open_runs) {
    // A process of another host cannot be looked at: ending its runs is the user's word for it.
    if (identity.host == self_.host && !HasEnded(identity)) continue;
    int changed = 0;
    if (!EndRun(run, error, &changed)) return std::nullopt;
    count += changed;
  }
  return count;
}

bool Record::TakeSeries(const SeriesPlan& plan, std::string* error) {
  std::int64_t newest = 0;
  std::vector<std::string> differing;
  const bool read = database_->Each(
      "SELECT id, image_sha256, layout, numbering FROM series ORDER BY id DESC LIMIT 1", {},
      [&](const QSqlQuery& row) {
        newest = row.value(0).toLongLong();
        if (row.value(1).toString() != Text(plan.image_sha256)) differing.push_back("image");
        if (row.value(2).toString() != Text(plan.layout)) differing.push_back("layout");
        if (row.value(3).toString() != Text(plan.numbering)) differing.push_back("numbering");
      },
      error);
  if (!read) return false;
  if (newest != 0 && !plan.new_series) {
    if (!differing.empty()) {
      *error = "series " + std::to_string(newest) + " of the record has another " +
               Listed(differing) + "; only a new series can change it";
      return false;
    }
    series_id_ = newest;
    return true;
  }
  const std::optional<QVariant> id = database_->Value(
      "INSERT INTO series (image_sha256, layout, numbering, created) VALUES (?, ?, ?, ?)"
      " RETURNING id",
      {Text(plan.image_sha256), Text(plan.layout), Text(plan.numbering), TimeText(clock_())},
      error);
  if (!id) return false;
  series_id_ = id->toLongLong();
  return true;
}

std::optional<Reservation> Record::InTransaction(
    const std::function<std::optional<Reservation>(std::string*)>& step, std::string* error) {
  error->clear();
  Retry();
  if (!away_.empty()) {
    *error = away_;
    return std::nullopt;
  }
  std::optional<Reservation> reservation;
  if (database_->BeginWrite(error)) reservation = step(error);
  if (reservation && database_->Commit(error)) return reservation;
  database_->Rollback();
  if (reservation) started_ms_.erase(reservation->part_id);
  NoteAway(*error);
  return std::nullopt;
}

std::optional<Reservation> Record::Reserve(const NumberAt& number_at, const std::string& port,
                                           const std::string& usb_serial, std::string* error) {
  return InTransaction(
      [&](std::string* step_error) -> std::optional<Reservation> {
        if (policy_ == FailPolicy::kReuse) {
          std::optional<Reservation> reused = NextReused(port, usb_serial, step_error);
          if (reused || !step_error->empty()) return reused;
        }
        return NextFresh(number_at, port, usb_serial, step_error);
      },
      error);
}

std::optional<Reservation> Record::NextReused(const std::string& port,
                                              const std::string& usb_serial, std::string* error) {
  std::int64_t failed_row = 0;
  std::uint64_t index = 0;
  std::string serial;
  const bool read = database_->Each(
      "SELECT id, idx, serial FROM parts WHERE series_id = ? AND state = ? AND reusable = 1"
      " ORDER BY idx, id LIMIT 1",
      {QVariant::fromValue(series_id_), kFailed},
      [&](const QSqlQuery& row) {
        failed_row = row.value(0).toLongLong();
        index = row.value(1).toULongLong();
        serial = row.value(2).toString().toStdString();
      },
      error);
  if (!read || failed_row == 0) return std::nullopt;
  if (!database_->Exec("UPDATE parts SET reusable = 0 WHERE id = ?",
                       {QVariant::fromValue(failed_row)}, error)) {
    return std::nullopt;
  }
  return Insert(index, serial, false, port, usb_serial, error);
}

std::optional<std::pair<std::uint64_t, std::string>> Record::FreshNumber(const NumberAt& number_at,
                                                                         std::string* error) {
  const std::optional<QVariant> highest = database_->Value(
      "SELECT MAX(idx) FROM parts WHERE series_id = ?", {QVariant::fromValue(series_id_)}, error);
  if (!highest) return std::nullopt;
  for (std::uint64_t index = highest->isNull() ? 0 : highest->toULongLong() + 1;; ++index) {
    std::optional<std::string> serial = number_at(index, error);
    if (!serial) return std::nullopt;
    const std::optional<QVariant> holder =
        database_->Value("SELECT id FROM parts WHERE serial = ? LIMIT 1", {Text(*serial)}, error);
    if (!holder) return std::nullopt;
    if (holder->isNull()) return std::pair(index, std::move(*serial));
  }
}

std::optional<Reservation> Record::NextFresh(const NumberAt& number_at, const std::string& port,
                                             const std::string& usb_serial, std::string* error) {
  const auto number = FreshNumber(number_at, error);
  if (!number) return std::nullopt;
  return Insert(number->first, number->second, false, port, usb_serial, error);
}

std::optional<std::string> Record::NextNumber(const NumberAt& number_at, std::string* error) {
  if (!away_.empty()) {
    *error = away_;
    return std::nullopt;
  }
  if (policy_ == FailPolicy::kReuse) {
    const std::optional<QVariant> reusable = database_->Value(
        "SELECT serial FROM parts WHERE series_id = ? AND state = ? AND reusable = 1"
        " ORDER BY idx, id LIMIT 1",
        {QVariant::fromValue(series_id_), kFailed}, error);
    if (!reusable) {
      NoteAway(*error);
      return std::nullopt;
    }
    if (!reusable->isNull()) return reusable->toString().toStdString();
  }
  const auto fresh = FreshNumber(number_at, error);
  if (!fresh) {
    NoteAway(*error);
    return std::nullopt;
  }
  return fresh->second;
}

std::optional<Reservation> Record::ReserveRework(const std::string& serial, const std::string& port,
                                                 const std::string& usb_serial,
                                                 std::string* error) {
  return InTransaction(
      [&](std::string* step_error) -> std::optional<Reservation> {
        const std::optional<QVariant> index = database_->Value(
            "SELECT idx FROM parts WHERE series_id = ? AND serial = ? AND state = ? LIMIT 1",
            {QVariant::fromValue(series_id_), Text(serial), kPassed}, step_error);
        if (!index || index->isNull()) return std::nullopt;
        return Insert(index->toULongLong(), serial, true, port, usb_serial, step_error);
      },
      error);
}

std::optional<Reservation> Record::Insert(std::uint64_t index, const std::string& serial,
                                          bool rework, const std::string& port,
                                          const std::string& usb_serial, std::string* error) {
  const std::int64_t now = clock_();
  const std::optional<QVariant> id = database_->Value(
      "INSERT INTO parts (series_id, run_id, idx, serial, state, rework, reusable, port,"
      " usb_serial, started, station) VALUES (?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?) RETURNING id",
      {QVariant::fromValue(series_id_), QVariant::fromValue(run_id_),
       QVariant::fromValue(static_cast<std::int64_t>(index)), Text(serial), kReserved,
       rework ? 1 : 0, Text(port), Text(usb_serial), TimeText(now), Text(station_)},
      error);
  if (!id) return std::nullopt;
  const std::int64_t part_id = id->toLongLong();
  started_ms_[part_id] = now;
  return Reservation{part_id, index, serial, rework};
}

bool Record::Finish(const Reservation& reservation, const PartOutcome& outcome,
                    std::string* error) {
  const std::int64_t now = clock_();
  const auto start = started_ms_.find(reservation.part_id);
  // A rework's number stays its part's; only a fresh part's failed number can go to another.
  const bool reusable = !outcome.passed && !reservation.rework && policy_ == FailPolicy::kReuse;
  const OutcomeRow row{
      reservation.part_id,
      outcome.passed ? kPassed : kFailed,
      TimeText(now).toStdString(),
      start == started_ms_.end() ? QVariant() : QVariant((now - start->second) / kMsPerSecond),
      static_cast<std::int64_t>(outcome.crc32),
      outcome.error,
      reusable};
  if (start != started_ms_.end()) started_ms_.erase(start);
  if (away_.empty()) {
    if (Put(row, error)) return true;
    if (!NoteAway(*error)) return false;
  }
  if (!journal_->Add(location_, row, error)) return false;
  ++waiting_;
  return true;
}

}  // namespace tessimor::production
