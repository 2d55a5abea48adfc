#pragma once

#include <ostream>
#include <string>

// What the production record holds, for people and for spreadsheets.
namespace tessimor::production {

// The record at `location`, a file's path or a server's URL: counts by state, the reworks, the
// numbers at the first and last index handed out, the parts passed per hour over the span from the
// first passed part's start to the last one's end, then each station's counts by state.
bool WriteSummary(const std::string& location, std::ostream& out, std::string* error);
// Every part in the order handed out, as CSV: a header row, CRLF line ends, fields holding a
// comma, a quote, CR or LF in quotes with their quotes doubled.
bool WriteCsv(const std::string& location, std::ostream& out, std::string* error);

}  // namespace tessimor::production
