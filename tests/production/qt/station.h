#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "production/qt/record.h"

namespace tessimor::testing {

// The series every test station programs unless a test says otherwise.
inline const production::SeriesPlan kStationPlan{"9f86d081884c7d65", "serial 0x0010:u32le",
                                                 "start 100000 step 1"};

inline production::NumberAt Numbers(std::uint64_t start, std::uint64_t step = 1) {
  return [=](std::uint64_t index, std::string*) { return std::to_string(start + step * index); };
}

// A record with a run of `plan` begun; throws what went wrong, as the test kit does.
inline std::unique_ptr<production::Record> Begun(
    const std::string& location, production::StationSettings station = {},
    production::Clock clock = {}, const production::SeriesPlan& plan = kStationPlan) {
  std::string error;
  int interrupted = 0;
  auto record = production::Record::Open(location, &error, std::move(station), std::move(clock));
  if (!record || !record->BeginRun(plan, production::FailPolicy::kVoid, &error, &interrupted)) {
    throw std::runtime_error(error);
  }
  return record;
}

// The number the record hands out next, or "error: " and why not.
inline std::string Next(production::Record& record,
                        const production::NumberAt& numbers = Numbers(100000)) {
  std::string error;
  const auto reservation = record.Reserve(numbers, "pty", "", &error);
  return reservation ? reservation->serial : "error: " + error;
}

// What a shell line prints.
inline std::string Shell(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  for (int c; pipe && (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
  if (pipe) ::pclose(pipe);
  return out;
}

// What the sqlite3 tool, a reader apart from the program, prints for `query` on the file.
inline std::string Sql(const std::string& db, const std::string& query) {
  return Shell("sqlite3 '" + db + "' \"" + query + "\"");
}

}  // namespace tessimor::testing
