#pragma once

#include <string_view>

// What goes to the adapter and what comes back, in one place.
namespace tessimor::protocol {

inline constexpr char kCr = '\r';

inline constexpr std::string_view kMark = "!";
inline constexpr std::string_view kAddressCommand = "$";
inline constexpr std::string_view kStartAddress = "$0000";
inline constexpr std::string_view kReadCommand = "R";
inline constexpr std::string_view kWriteCommand = "W";
// "TESSIMOR" and a zero byte, written at address 0 by the panel.
inline constexpr std::string_view kSignatureLine = "W54455353494D4F5200";

inline constexpr char kReadReply = 'R';
inline constexpr char kWriteReply = 'W';

inline constexpr int kBytesPerLine = 16;
inline constexpr int kEepromSize = 32768;
// Loops run while the address stays below this.
inline constexpr int kAddressLimit = 32767;
inline constexpr std::string_view kFillByte = "FF";

// The adapter's USB identity as the inventory shows it, and where the port number starts.
inline constexpr std::string_view kAdapterPnpId = "USB\\VID_04D8&PID_000A";
inline constexpr std::size_t kPortDigitsAt = 3;

inline constexpr int kTickMs = 10;
// The most ticks a running operation may go without a reply line; the next one times it out.
inline constexpr int kMaxQuietTicks = 99;
inline constexpr std::size_t kMaxRxLine = 1024;

}  // namespace tessimor::protocol
