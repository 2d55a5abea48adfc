#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "production/checked.h"
#include "production/fields.h"

namespace tessimor::production {

// A number for every encoding but bytes:N, which takes raw bytes from a serials file.
using SerialValue = std::variant<std::uint64_t, std::vector<std::uint8_t>>;

// For the record: decimal for a number, upper-case hex pairs without separators for bytes.
std::string ValueText(const SerialValue& value);

// The bytes the field holds for `value`; refused when the value is too wide for the encoding or
// of the other kind.
Checked<std::vector<std::uint8_t>> Encode(const SerialField& field, const SerialValue& value);

// The value a field's bytes hold, as Encode would have put it there; nullopt when they hold
// none, as an erased part's 0xFF bytes do in an ASCII field.
std::optional<SerialValue> Decode(const SerialField& field, const std::vector<std::uint8_t>& bytes);

// Serial numbers counted from `start`.
struct Counter {
  std::uint64_t start = 0;
  std::uint64_t step = 1;
};
// start + index * step; refused past 64 bits.
Checked<std::uint64_t> CounterValue(const Counter& counter, std::uint64_t index);

// One value a line, in file order. Blank lines and lines starting with # do not count; CR LF
// ends a line too. bytes:N takes hex pairs, with ':' or '-' between them or nothing; the others
// a decimal or 0x-hex number. Every value must fit the field and appear once. `name` is the
// file's name, as refusals give it.
Checked<std::vector<SerialValue>> ParseSerials(std::string_view name, std::string_view text,
                                               const SerialField& field);

}  // namespace tessimor::production
