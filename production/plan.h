#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/image.h"
#include "production/checked.h"
#include "production/fields.h"
#include "production/serials.h"

namespace tessimor::production {

// Where a series' numbers come from: counted, or the lines of a serials file.
struct Numbering {
  std::optional<Counter> counter;
  std::vector<SerialValue> values;  // a serials file's, when there is no counter
  std::string file_name;

  // The value at `index`; refused past the file's end or 64 bits.
  Checked<SerialValue> At(std::uint64_t index) const;
};

// What a face was given, as given.
struct PlanRequest {
  std::string serial;             // ADDR:ENCODING
  std::vector<std::string> crcs;  // ADDR:ALGO:START-END each
  std::string serial_start;       // a counter's, or empty
  std::string serial_step;        // empty for 1
  std::string serials_name;       // a serials file's name, or empty
  std::string serials_text;       // and what it holds
};

// Everything a part needs but its number, checked whole before any part is touched.
struct Plan {
  Layout layout;
  Numbering numbering;
};

// Refused, with one sentence, on a bad field, number or serials file, or when the first part's
// image cannot be made from `golden`.
Checked<Plan> MakePlan(const EepromImage& golden, const PlanRequest& request);

// The record's text for where the numbers come from; `serials_sha256` names a file's contents.
std::string NumberingText(const Numbering& numbering, const std::string& serials_sha256);

}  // namespace tessimor::production
