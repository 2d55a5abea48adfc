#include "engine/intel_hex.h"

#include <iterator>

#include "engine/record_lines.h"

namespace tessimor {

namespace {

constexpr char kMark = ':';
// Length, two address bytes and type before the data; the checksum after it.
constexpr std::size_t kHead = 4;
constexpr std::size_t kOverhead = kHead + 1;

enum RecordType : std::uint8_t {
  kData = 0x00,
  kEnd = 0x01,
  kSegmentBase = 0x02,
  kSegmentStart = 0x03,
  kLinearBase = 0x04,
  kLinearStart = 0x05,
};
constexpr std::size_t kBaseSize = 2;   // the data of a base record
constexpr std::size_t kStartSize = 4;  // the data of a start-address record
constexpr unsigned kSegmentShift = 4;
constexpr unsigned kLinearShift = 16;

std::string Record(RecordType type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes = data;
  const std::uint8_t head[kHead] = {static_cast<std::uint8_t>(data.size()),
                                    static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address), type};
  bytes.insert(bytes.begin(), std::begin(head), std::end(head));
  bytes.push_back(static_cast<std::uint8_t>(-LowByteOfSum(bytes)));
  return kMark + HexText(bytes) + std::string(ImageFiles::kLineEnd);
}

}  // namespace

ImageInput ReadIntelHex(std::string contents, const std::string& shown) {
  RecordLines lines(std::move(contents), shown);
  ImageAssembly assembly;
  std::uint64_t base = 0;
  bool ended = false;
  while (lines.Next()) {
    const std::string_view line = lines.Line();
    if (ended) return lines.RefuseLine(" comes after the end record.");
    if (line.front() != kMark) return lines.RefuseLine(" does not start with a colon.");
    const auto bytes = ParseHexPairs(line.substr(1));
    if (!bytes) return lines.RefuseLine(" is not pairs of hex digits after its colon.");
    if (bytes->size() < kOverhead) return lines.RefuseLine(" is too short for a record.");
    const std::size_t size = bytes->size() - kOverhead;
    if (size != (*bytes)[0]) {
      return lines.RefuseLine(" holds " + std::to_string(size) +
                              " data bytes where its length says " + std::to_string((*bytes)[0]) +
                              ".");
    }
    if (LowByteOfSum(*bytes) != 0) {
      const auto checksum =
          static_cast<std::uint8_t>(-LowByteOfSum(std::span(*bytes).first(bytes->size() - 1)));
      return lines.RefuseChecksum(bytes->back(), checksum);
    }
    const std::vector<std::uint8_t> data(bytes->begin() + kHead, bytes->end() - 1);
    const std::uint32_t offset = (*bytes)[1] << 8 | (*bytes)[2];
    const std::uint8_t type = (*bytes)[3];
    if (type > kLinearStart) {
      return lines.RefuseLine(" has record type " + HexByte(type) + ", which is none of 00 to 05.");
    }
    const std::size_t wanted = type == kSegmentBase || type == kLinearBase     ? kBaseSize
                               : type == kSegmentStart || type == kLinearStart ? kStartSize
                                                                               : size;
    if (size != wanted) {
      return lines.RefuseLine(" is a type " + HexByte(type) + " record of " + std::to_string(size) +
                              " data bytes, not " + std::to_string(wanted) + ".");
    }
    const std::uint64_t value = static_cast<std::uint64_t>(data.empty() ? 0 : data[0]) << 8 |
                                (data.size() > 1 ? data[1] : 0);
    switch (type) {
      case kData:
        if (auto refusal = lines.Place(assembly, base + offset, data)) return *refusal;
        break;
      case kEnd:
        ended = true;
        break;
      case kSegmentBase:
        base = value << kSegmentShift;
        break;
      case kLinearBase:
        base = value << kLinearShift;
        break;
      default:  // where a program would start: nothing for an EEPROM
        break;
    }
  }
  return lines.Finish(assembly, ended, "type 01");
}

std::string WriteIntelHex(const EepromImage& image) {
  std::string text;
  for (const ImageRecord& record : image.LineRecords()) {
    text += Record(kData, record.address, record.bytes);
  }
  return text + Record(kEnd, 0, {});
}

}  // namespace tessimor
