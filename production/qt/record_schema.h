#pragma once

#include <memory>
#include <string>

#include "production/qt/database.h"
#include "production/record_location.h"

// The record's tables: made, checked and brought up to date in this one place.
namespace tessimor::production {

enum class RecordUse {
  kInit,   // makes the tables when missing; changes nothing when they are up to date
  kWrite,  // a file is made as under kInit and proven writable with a committed write; on a
           // server the tables must have been made by `db init`
  kRead,   // a record must be there
};

// The record at `location`, a file's path or a server's URL. nullptr with *error set: a URL it
// cannot take, no record there, or one of a newer program. A record of an older one is brought up
// to date first. `said` gets what kInit did, in a sentence.
std::unique_ptr<Database> OpenRecord(const std::string& location, RecordUse use, std::string* error,
                                     std::string* said = nullptr);

}  // namespace tessimor::production
