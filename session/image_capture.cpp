#include "session/image_capture.h"

#include "session/escape.h"

namespace tessimor {

bool ImageCapture::Put(std::int32_t address, std::string_view data) {
  auto record = ParseImageRecord(data);
  if (!record || !image_.Place(std::move(*record))) {
    problem_ = "Read reply at address " + AddressText(static_cast<std::uint32_t>(address)) +
               " cannot be turned into bytes: " + Escaped(data);
    return false;
  }
  return true;
}

}  // namespace tessimor
