#pragma once

#include <string>

#include "production/plan.h"
#include "production/qt/record.h"

namespace tessimor::production {

// What ties a run to its series in the record: the golden image file's bytes, the layout and
// where the numbers come from (a serials file by its bytes).
SeriesPlan SeriesFor(const std::string& image_bytes, const Plan& plan,
                     const std::string& serials_bytes, bool new_series);

std::string Sha256Hex(const std::string& bytes);

}  // namespace tessimor::production
