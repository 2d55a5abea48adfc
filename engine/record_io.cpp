#include "engine/record_io.h"

#include "engine/image_text.h"
#include "link/messages.h"

namespace tessimor {

std::string FileRecords::Problem() const {
  return std::string(messages::kCouldNotWriteText) + path_;
}

int FindLineWithoutColon(RecordSource& source, int* records) {
  int number = 0;
  if (records) *records = 0;
  while (!source.AtEnd()) {
    const std::string line = source.ReadLine();
    ++number;
    if (IsBlankLine(line)) continue;
    if (!HasColon(line)) return number;
    if (records) ++*records;
  }
  return 0;
}

}  // namespace tessimor
