#pragma once

#include <string_view>

// What the user is told, word for word.
namespace tessimor::messages {

inline constexpr std::string_view kDoneText = "** Done! **";
inline constexpr std::string_view kNotFoundText = "Tessimor adapter not found!";
inline constexpr std::string_view kCouldNotOpenText = "Could not open file ";
inline constexpr std::string_view kCouldNotWriteText = "Could not write file ";
inline constexpr std::string_view kTimeoutText = "Time out waiting for reply.";

}  // namespace tessimor::messages
