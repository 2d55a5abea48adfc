#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessimor {

// Bytes from the adapter or the device inventory, fit for a terminal: control characters and
// bytes above 0x7E become \xNN, so no escape sequence of theirs reaches it.
std::string Escaped(std::string_view bytes);

}  // namespace tessimor
