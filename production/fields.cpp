#include "production/fields.h"

#include <charconv>
#include <limits>

#include "engine/image_text.h"
#include "link/protocol.h"

namespace tessimor::production {

namespace {

constexpr std::uint64_t kEepromSize = protocol::kEepromSize;
constexpr char kSeparator = ':';
constexpr char kRangeSeparator = '-';
constexpr std::string_view kHexPrefix = "0x";
constexpr std::string_view kHexPrefixUpper = "0X";
constexpr int kDecimalBase = 10;
constexpr int kHexBase = 16;
constexpr std::size_t kBitsPerByte = 8;
constexpr std::size_t kBinarySizes[] = {1, 2, 4, 8};
constexpr std::string_view kSingleByteName = "u8";
constexpr std::string_view kLittleEndianSuffix = "le";
constexpr std::string_view kBigEndianSuffix = "be";
constexpr std::string_view kSerialName = "serial number";
constexpr std::string_view kListSeparator = "; ";

// The encodings that take a width: ASCII digits, or raw bytes.
struct WidthForm {
  std::string_view name;
  Form form;
  std::size_t max;
};
constexpr WidthForm kWidthForms[] = {
    {"dec", Form::kDecimal, 20}, {"hex", Form::kHex, 16}, {"bytes", Form::kBytes, 64}};

struct AlgorithmName {
  std::string_view name;
  Algorithm algorithm;
  std::size_t size;
};
constexpr AlgorithmName kAlgorithms[] = {{"crc16", Algorithm::kCrc16, 2},
                                         {"crc32", Algorithm::kCrc32, 4}};

const AlgorithmName& NameOf(Algorithm algorithm) {
  return algorithm == Algorithm::kCrc16 ? kAlgorithms[0] : kAlgorithms[1];
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string RangeText(std::uint64_t start, std::uint64_t end) {
  return AddressText(start) + kRangeSeparator + AddressText(end);
}

std::string SerialSyntaxMessage(std::string_view text) {
  return Quoted(text) + " is not a serial field: give ADDRESS:ENCODING, as 0x0010:u32le.";
}

std::string CrcSyntaxMessage(std::string_view text) {
  return Quoted(text) +
         " is not a checksum field: give ADDRESS:ALGORITHM:START-END, as "
         "0x001C:crc16:0x0000-0x001C.";
}

std::string UnknownEncodingMessage(std::string_view encoding) {
  return "Unknown serial encoding " + Quoted(encoding) +
         ": use u8, u16le, u16be, u32le, u32be, u64le, u64be, dec:WIDTH, hex:WIDTH or bytes:N.";
}

std::string WidthMessage(std::string_view encoding, std::size_t max) {
  return "Serial encoding " + Quoted(encoding) + " takes a width of 1 to " + std::to_string(max) +
         ".";
}

std::string UnknownAlgorithmMessage(std::string_view algorithm) {
  return "Unknown checksum " + Quoted(algorithm) + ": use crc16 or crc32.";
}

// A field as the overlap and fit checks see it: its bytes and how refusals name it.
struct Span {
  std::uint64_t address;
  std::size_t size;
  std::string name;

  std::uint64_t end() const { return address + size; }
};

std::string OutsideMessage(const Span& span) {
  return "The " + span.name + " (" + std::to_string(span.size) +
         (span.size == 1 ? " byte" : " bytes") + ") runs past the EEPROM's last address, " +
         AddressText(kEepromSize - 1) + ".";
}

std::string EmptyRangeMessage(const CrcField& crc) {
  return "The " + FieldName(crc) + " sums an empty or reversed range, " +
         RangeText(crc.start, crc.end) + ".";
}

std::string RangeOutsideMessage(const CrcField& crc) {
  return "The " + FieldName(crc) + " sums " + RangeText(crc.start, crc.end) +
         ", past the EEPROM's end: a range ends at " + AddressText(kEepromSize) + " at most.";
}

std::string OverlapMessage(const Span& first, const Span& second) {
  return "The " + first.name + " and the " + second.name + " overlap.";
}

std::string OwnRangeMessage(const CrcField& crc) {
  return "The " + FieldName(crc) + " lies in its own range " + RangeText(crc.start, crc.end) + ".";
}

std::string OrderMessage(const CrcField& crc, const CrcField& later) {
  return "The " + FieldName(crc) + " sums the " + FieldName(later) +
         ", which comes after it: give that one first.";
}

bool Meets(std::uint64_t start, std::uint64_t end, const Span& span) {
  return start < span.end() && span.address < end;
}

std::optional<std::uint64_t> ParseInBase(std::string_view text, int base) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::uint64_t> ParseDecimal(std::string_view text) {
  return ParseInBase(text, kDecimalBase);
}

std::string BinaryName(Form form, std::size_t size) {
  if (size == 1) return std::string(kSingleByteName);
  return "u" + std::to_string(size * kBitsPerByte) +
         std::string(form == Form::kBigEndian ? kBigEndianSuffix : kLittleEndianSuffix);
}

Checked<SerialField> ParseEncoding(std::uint32_t address, std::string_view encoding) {
  const std::size_t colon = encoding.find(kSeparator);
  if (colon == encoding.npos) {
    for (const Form form : {Form::kLittleEndian, Form::kBigEndian}) {
      for (const std::size_t size : kBinarySizes) {
        if (BinaryName(form, size) == encoding) return SerialField{address, form, size};
      }
    }
    return Refusal{UnknownEncodingMessage(encoding)};
  }
  for (const WidthForm& candidate : kWidthForms) {
    if (candidate.name != encoding.substr(0, colon)) continue;
    const auto width = ParseDecimal(encoding.substr(colon + 1));
    if (!width || *width < 1 || *width > candidate.max) {
      return Refusal{WidthMessage(encoding, candidate.max)};
    }
    return SerialField{address, candidate.form, static_cast<std::size_t>(*width)};
  }
  return Refusal{UnknownEncodingMessage(encoding)};
}

// Beyond 32 bits an address is no address at all; below, the layout check tells it is outside.
std::optional<std::uint32_t> ParseAddress(std::string_view text) {
  const auto number = ParseNumber(text);
  if (!number || *number > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(*number);
}

}  // namespace

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
  if (text.starts_with(kHexPrefix) || text.starts_with(kHexPrefixUpper)) {
    return ParseInBase(text.substr(kHexPrefix.size()), kHexBase);
  }
  return ParseDecimal(text);
}

Checked<SerialField> ParseSerialField(std::string_view text) {
  const std::size_t colon = text.find(kSeparator);
  if (colon == text.npos) return Refusal{SerialSyntaxMessage(text)};
  const auto address = ParseAddress(text.substr(0, colon));
  const std::string_view encoding = text.substr(colon + 1);
  if (!address || encoding.empty()) return Refusal{SerialSyntaxMessage(text)};
  return ParseEncoding(*address, encoding);
}

Checked<CrcField> ParseCrcField(std::string_view text) {
  const std::size_t first = text.find(kSeparator);
  const std::size_t second = text.find(kSeparator, first == text.npos ? first : first + 1);
  const std::size_t dash = text.find(kRangeSeparator, second == text.npos ? second : second + 1);
  if (second == text.npos || dash == text.npos) return Refusal{CrcSyntaxMessage(text)};
  const auto address = ParseAddress(text.substr(0, first));
  const auto start = ParseAddress(text.substr(second + 1, dash - second - 1));
  const auto end = ParseAddress(text.substr(dash + 1));
  if (!address || !start || !end) return Refusal{CrcSyntaxMessage(text)};
  const std::string_view name = text.substr(first + 1, second - first - 1);
  for (const AlgorithmName& candidate : kAlgorithms) {
    if (candidate.name == name) {
      return CrcField{*address, candidate.algorithm, *start, *end};
    }
  }
  return Refusal{UnknownAlgorithmMessage(name)};
}

Checked<Layout> MakeLayout(SerialField serial, std::vector<CrcField> crcs) {
  std::vector<Span> spans{{serial.address, serial.size,
                           std::string(kSerialName) + " at " + AddressText(serial.address)}};
  for (const CrcField& crc : crcs) spans.push_back({crc.address, FieldSize(crc), FieldName(crc)});
  for (const Span& span : spans) {
    if (span.end() > kEepromSize) return Refusal{OutsideMessage(span)};
  }
  for (const CrcField& crc : crcs) {
    if (crc.start >= crc.end) return Refusal{EmptyRangeMessage(crc)};
    if (crc.end > kEepromSize) return Refusal{RangeOutsideMessage(crc)};
  }
  for (std::size_t i = 0; i < spans.size(); ++i) {
    for (std::size_t j = i + 1; j < spans.size(); ++j) {
      if (Meets(spans[i].address, spans[i].end(), spans[j])) {
        return Refusal{OverlapMessage(spans[i], spans[j])};
      }
    }
  }
  for (std::size_t i = 0; i < crcs.size(); ++i) {
    // spans[i + 1] is crcs[i]: the serial number comes first.
    if (Meets(crcs[i].start, crcs[i].end, spans[i + 1])) return Refusal{OwnRangeMessage(crcs[i])};
    for (std::size_t j = i + 1; j < crcs.size(); ++j) {
      if (Meets(crcs[i].start, crcs[i].end, spans[j + 1])) {
        return Refusal{OrderMessage(crcs[i], crcs[j])};
      }
    }
  }
  return Layout{serial, std::move(crcs)};
}

Checked<Layout> ParseLayout(std::string_view serial, const std::vector<std::string>& crcs) {
  auto serial_field = ParseSerialField(serial);
  if (!serial_field.value) return Refusal{serial_field.error};
  std::vector<CrcField> crc_fields;
  for (const std::string& text : crcs) {
    auto crc = ParseCrcField(text);
    if (!crc.value) return Refusal{crc.error};
    crc_fields.push_back(*crc.value);
  }
  return MakeLayout(*serial_field.value, std::move(crc_fields));
}

std::size_t FieldSize(const CrcField& field) {
  return NameOf(field.algorithm).size;
}

std::string EncodingText(const SerialField& field) {
  for (const WidthForm& candidate : kWidthForms) {
    if (candidate.form == field.form) {
      return std::string(candidate.name) + kSeparator + std::to_string(field.size);
    }
  }
  return BinaryName(field.form, field.size);
}

std::string FieldName(const CrcField& field) {
  return std::string(NameOf(field.algorithm).name) + " at " + AddressText(field.address);
}

std::string LayoutText(const Layout& layout) {
  std::string text =
      "serial " + AddressText(layout.serial.address) + " " + EncodingText(layout.serial);
  for (const CrcField& crc : layout.crcs) {
    text += std::string(kListSeparator) + std::string(NameOf(crc.algorithm).name) + " " +
            AddressText(crc.address) + " over " + RangeText(crc.start, crc.end);
  }
  return text;
}

}  // namespace tessimor::production
