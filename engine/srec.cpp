#include "engine/srec.h"

#include <array>
#include <iterator>

#include "engine/record_lines.h"

namespace tessimor {

namespace {

constexpr char kMark = 'S';
constexpr char kLowerMark = 's';
constexpr std::size_t kCountSize = 1;
constexpr std::size_t kChecksumSize = 1;

enum class Kind { kHeader, kData, kCount, kEnd, kUnknown };

struct TypeInfo {
  Kind kind;
  std::size_t address_size;
};

// By the digit after the S; S4 and S6 are not read.
constexpr std::array<TypeInfo, 10> kTypes{{
    {Kind::kHeader, 2},
    {Kind::kData, 2},
    {Kind::kData, 3},
    {Kind::kData, 4},
    {Kind::kUnknown, 0},
    {Kind::kCount, 2},
    {Kind::kUnknown, 0},
    {Kind::kEnd, 4},
    {Kind::kEnd, 3},
    {Kind::kEnd, 2},
}};

std::string Record(char type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
  constexpr std::size_t kAddressSize = 2;
  std::vector<std::uint8_t> bytes = data;
  const std::uint8_t head[kCountSize + kAddressSize] = {
      static_cast<std::uint8_t>(kAddressSize + data.size() + kChecksumSize),
      static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
  bytes.insert(bytes.begin(), std::begin(head), std::end(head));
  bytes.push_back(static_cast<std::uint8_t>(~LowByteOfSum(bytes)));
  return std::string{kMark, type} + HexText(bytes) + std::string(ImageFiles::kLineEnd);
}

}  // namespace

ImageInput ReadSrec(std::string contents, const std::string& shown) {
  RecordLines lines(std::move(contents), shown);
  ImageAssembly assembly;
  std::size_t data_records = 0;
  bool ended = false;
  // Golden-image tools end a file that has no start address with its count record alone.
  bool counted_to_end = false;
  while (lines.Next()) {
    const std::string_view line = lines.Line();
    if (ended) return lines.RefuseLine(" comes after the end record.");
    if (line.size() < 2 || (line[0] != kMark && line[0] != kLowerMark) || line[1] < '0' ||
        line[1] > '9') {
      return lines.RefuseLine(" does not start with S and a digit.");
    }
    const std::string type{kMark, line[1]};
    const TypeInfo info = kTypes[static_cast<std::size_t>(line[1] - '0')];
    if (info.kind == Kind::kUnknown) {
      return lines.RefuseLine(" has record type " + type +
                              ", which is none of S0, S1, S2, S3, S5, S7, S8 or S9.");
    }
    const auto bytes = ParseHexPairs(line.substr(2));
    if (!bytes) return lines.RefuseLine(" is not pairs of hex digits after its type.");
    const std::size_t head = kCountSize + info.address_size;
    if (bytes->size() < head + kChecksumSize) {
      return lines.RefuseLine(" is too short for an " + type + " record.");
    }
    if (bytes->size() - kCountSize != (*bytes)[0]) {
      return lines.RefuseLine(" holds " + std::to_string(bytes->size() - kCountSize) +
                              " bytes after its count, which says " + std::to_string((*bytes)[0]) +
                              ".");
    }
    const auto checksum =
        static_cast<std::uint8_t>(~LowByteOfSum(std::span(*bytes).first(bytes->size() - 1)));
    if (checksum != bytes->back()) {
      return lines.RefuseChecksum(bytes->back(), checksum);
    }
    std::uint64_t address = 0;
    for (std::size_t i = kCountSize; i < head; ++i) address = address << 8 | (*bytes)[i];
    switch (info.kind) {
      case Kind::kData: {
        const std::vector<std::uint8_t> data(bytes->begin() + head, bytes->end() - 1);
        if (auto refusal = lines.Place(assembly, address, data)) return *refusal;
        ++data_records;
        counted_to_end = false;
        break;
      }
      case Kind::kCount:
        if (address != data_records) {
          return lines.RefuseLine(" counts " + std::to_string(address) +
                                  " data records where the file has " +
                                  std::to_string(data_records) + " before it.");
        }
        counted_to_end = true;
        break;
      case Kind::kEnd:
        ended = true;
        break;
      case Kind::kHeader:
      case Kind::kUnknown:
        break;
    }
  }
  return lines.Finish(assembly, ended || counted_to_end, "S7, S8 or S9");
}

std::string WriteSrec(const EepromImage& image) {
  std::string text = Record('0', 0, {});
  for (const ImageRecord& record : image.LineRecords()) {
    text += Record('1', record.address, record.bytes);
  }
  return text + Record('9', 0, {});
}

}  // namespace tessimor
