#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules of the text image, each in one place: a record is "address:data" in hex, spaces
// around it do not count, and a line of nothing but spaces is no record at all.
namespace tessimor {

// Two upper-case hex digits of the low 8 bits.
std::string HexByte(std::int32_t value);

// The text without the spaces around it.
std::string_view TrimSpaces(std::string_view text);
// "0x" and at least four upper-case hex digits, as addresses are shown to the user.
std::string AddressText(std::uint64_t address);
// Four upper-case hex digits, as a record and the address command give an address.
std::string HexAddress(std::int32_t address);
// HexByte of each byte in turn.
std::string HexText(const std::vector<std::uint8_t>& bytes);

bool IsBlankLine(std::string_view line);
// The colon rule: a line that is not blank is sent only if it holds a colon. What the user is
// told when `line`, line `line_number` of `name`, breaks it; nullopt when it may be used.
std::optional<std::string> RefuseWithoutColon(std::string_view line, int line_number,
                                              const std::string& name);

// A record's text without its spaces, cut at its first colon; no colon leaves `data` empty.
struct RecordParts {
  std::string_view address;
  std::string_view data;
};
RecordParts SplitRecord(std::string_view line);

// One record: the text it came from, and that text turned into numbers.
struct ImageRecord {
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
  std::string text;  // without the spaces around it
};

// Pairs of hex digits in either case; nullopt for an odd count or anything else.
std::optional<std::vector<std::uint8_t>> ParseHexPairs(std::string_view text);

// Hex case does not matter; nullopt unless the record is 1 to 4 hex digits, a colon and at
// least one hex pair. The range is not checked here.
std::optional<ImageRecord> ParseImageRecord(std::string_view line);
// The record a read of these bytes at `address` saves: four address digits, upper-case hex.
ImageRecord MakeImageRecord(std::uint32_t address, std::vector<std::uint8_t> bytes);

}  // namespace tessimor
