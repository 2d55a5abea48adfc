#include "engine/record_io.h"

#include "engine/image_text.h"
#include "link/messages.h"

namespace tessimor {

std::string FileRecords::Problem() const {
  return std::string(messages::kCouldNotWriteText) + path_;
}

std::optional<std::string> FindLineWithoutColon(RecordSource& source, const std::string& name,
                                                int* records) {
  int number = 0;
  if (records) *records = 0;
  while (!source.AtEnd()) {
    const std::string line = source.ReadLine();
    ++number;
    if (IsBlankLine(line)) continue;
    if (auto refusal = RefuseWithoutColon(line, number, name)) return refusal;
    if (records) ++*records;
  }
  return std::nullopt;
}

}  // namespace tessimor
