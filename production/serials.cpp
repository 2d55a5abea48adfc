#include "production/serials.h"

#include <limits>
#include <map>

#include "engine/image_text.h"

namespace tessimor::production {

namespace {

constexpr int kBitsPerByte = 8;
constexpr std::size_t kBinaryMax = sizeof(std::uint64_t);
constexpr std::uint64_t kDecimalBase = 10;
constexpr std::uint64_t kHexBase = 16;
constexpr char kDigits[] = "0123456789ABCDEF";
constexpr char kZero = '0';
constexpr char kComment = '#';
constexpr char kLineEnd = '\n';
constexpr char kCr = '\r';
constexpr std::string_view kByteSeparators = ":-";
constexpr std::size_t kPairDigits = 2;

std::string TooWideMessage(const SerialValue& value, const SerialField& field) {
  return ValueText(value) + " is too wide for its encoding " + EncodingText(field) + ".";
}

std::string ByteCountMessage(const std::vector<std::uint8_t>& bytes, const SerialField& field) {
  return ValueText(bytes) + " is " + std::to_string(bytes.size()) + " bytes, not the " +
         std::to_string(field.size) + " of " + EncodingText(field) + ".";
}

std::string NumberForBytesMessage(std::uint64_t number, const SerialField& field) {
  return ValueText(number) + " is a number; " + EncodingText(field) +
         " takes raw bytes from a serials file.";
}

std::string BytesForNumberMessage(const std::vector<std::uint8_t>& bytes,
                                  const SerialField& field) {
  return ValueText(bytes) + " is raw bytes; " + EncodingText(field) + " takes a number.";
}

std::string CounterMessage(const Counter& counter, std::uint64_t index) {
  return "Serial number " + std::to_string(counter.start) + " + " + std::to_string(index) + " * " +
         std::to_string(counter.step) + " does not fit in 64 bits.";
}

std::string NotNumberMessage(std::string_view line) {
  return "\"" + std::string(line) + "\" is not a decimal or 0x-hex number of at most 64 bits.";
}

std::string NotBytesMessage(std::string_view line) {
  return "\"" + std::string(line) + "\" is not hex bytes, as 00:1A:2B, 00-1A-2B or 001A2B.";
}

std::string LineMessage(std::string_view name, int line, const std::string& message) {
  return std::string(name) + " line " + std::to_string(line) + ": " + message;
}

std::string RepeatMessage(const SerialValue& value, int first_line) {
  return ValueText(value) + " repeats line " + std::to_string(first_line) + ".";
}

std::string EmptyFileMessage(std::string_view name) {
  return std::string(name) + " holds no serial numbers.";
}

// Zero-padded digits of `number` in `base`; empty when they need more than `width`.
std::string Digits(std::uint64_t number, std::uint64_t base, std::size_t width) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[number % base]);
    number /= base;
  } while (number != 0);
  if (digits.size() > width) return {};
  digits.insert(0, width - digits.size(), kZero);
  return digits;
}

Checked<std::vector<std::uint8_t>> EncodeNumber(const SerialField& field, std::uint64_t number) {
  if (field.form == Form::kBytes) return Refusal{NumberForBytesMessage(number, field)};
  if (field.form == Form::kDecimal || field.form == Form::kHex) {
    const std::string digits =
        Digits(number, field.form == Form::kDecimal ? kDecimalBase : kHexBase, field.size);
    if (digits.empty()) return Refusal{TooWideMessage(number, field)};
    return std::vector<std::uint8_t>(digits.begin(), digits.end());
  }
  if (field.size < kBinaryMax && number >> (field.size * kBitsPerByte) != 0) {
    return Refusal{TooWideMessage(number, field)};
  }
  std::vector<std::uint8_t> bytes(field.size);
  for (std::size_t i = 0; i < field.size; ++i) {
    const std::size_t at = field.form == Form::kBigEndian ? field.size - 1 - i : i;
    bytes[at] = static_cast<std::uint8_t>(number >> (i * kBitsPerByte));
  }
  return bytes;
}

// Hex pairs, each apart from the next by the same separator, or all run together.
std::optional<std::vector<std::uint8_t>> ParseBytes(std::string_view text) {
  for (const char separator : kByteSeparators) {
    if (text.find(separator) == text.npos) continue;
    std::string pairs;
    for (std::size_t at = 0;; at += kPairDigits + 1) {
      const std::string_view pair = text.substr(at, kPairDigits);
      if (pair.size() != kPairDigits || pair.find_first_of(kByteSeparators) != pair.npos) {
        return std::nullopt;
      }
      pairs += pair;
      if (at + kPairDigits == text.size()) break;
      if (text[at + kPairDigits] != separator) return std::nullopt;
    }
    return ParseHexPairs(pairs);
  }
  if (text.empty()) return std::nullopt;
  return ParseHexPairs(text);
}

Checked<SerialValue> ParseValue(std::string_view text, const SerialField& field) {
  if (field.form == Form::kBytes) {
    auto bytes = ParseBytes(text);
    if (!bytes) return Refusal{NotBytesMessage(text)};
    return SerialValue(std::move(*bytes));
  }
  const auto number = ParseNumber(text);
  if (!number) return Refusal{NotNumberMessage(text)};
  return SerialValue(*number);
}

}  // namespace

std::string ValueText(const SerialValue& value) {
  if (const auto* number = std::get_if<std::uint64_t>(&value)) return std::to_string(*number);
  return HexText(std::get<std::vector<std::uint8_t>>(value));
}

Checked<std::vector<std::uint8_t>> Encode(const SerialField& field, const SerialValue& value) {
  if (const auto* number = std::get_if<std::uint64_t>(&value)) return EncodeNumber(field, *number);
  const auto& bytes = std::get<std::vector<std::uint8_t>>(value);
  if (field.form != Form::kBytes) return Refusal{BytesForNumberMessage(bytes, field)};
  if (bytes.size() != field.size) return Refusal{ByteCountMessage(bytes, field)};
  return bytes;
}

std::optional<SerialValue> Decode(const SerialField& field,
                                  const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() != field.size) return std::nullopt;
  if (field.form == Form::kBytes) return bytes;
  std::uint64_t number = 0;
  if (field.form == Form::kDecimal || field.form == Form::kHex) {
    const std::uint64_t base = field.form == Form::kDecimal ? kDecimalBase : kHexBase;
    for (const std::uint8_t byte : bytes) {
      const char* digit = std::char_traits<char>::find(kDigits, base, static_cast<char>(byte));
      if (!digit ||
          number > (std::numeric_limits<std::uint64_t>::max() - (digit - kDigits)) / base) {
        return std::nullopt;
      }
      number = number * base + static_cast<std::uint64_t>(digit - kDigits);
    }
    return number;
  }
  for (std::size_t i = 0; i < field.size; ++i) {
    const std::size_t at = field.form == Form::kBigEndian ? field.size - 1 - i : i;
    number |= static_cast<std::uint64_t>(bytes[at]) << (i * kBitsPerByte);
  }
  return number;
}

Checked<std::uint64_t> CounterValue(const Counter& counter, std::uint64_t index) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (counter.step != 0 && index > (kMax - counter.start) / counter.step) {
    return Refusal{CounterMessage(counter, index)};
  }
  return counter.start + index * counter.step;
}

Checked<std::vector<SerialValue>> ParseSerials(std::string_view name, std::string_view text,
                                               const SerialField& field) {
  std::vector<SerialValue> values;
  std::map<std::string, int> first_lines;  // by ValueText, so 16 and 0x10 are one value
  int line_number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find(kLineEnd);
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == text.npos ? text.size() : end + 1);
    ++line_number;
    if (line.ends_with(kCr)) line.remove_suffix(1);
    line = TrimSpaces(line);
    if (line.empty() || line.front() == kComment) continue;
    auto value = ParseValue(line, field);
    if (!value.value) return Refusal{LineMessage(name, line_number, value.error)};
    const auto fits = Encode(field, *value.value);
    if (!fits.value) return Refusal{LineMessage(name, line_number, fits.error)};
    const auto [first, fresh] = first_lines.emplace(ValueText(*value.value), line_number);
    if (!fresh) {
      return Refusal{LineMessage(name, line_number, RepeatMessage(*value.value, first->second))};
    }
    values.push_back(std::move(*value.value));
  }
  if (values.empty()) return Refusal{EmptyFileMessage(name)};
  return values;
}

}  // namespace tessimor::production
