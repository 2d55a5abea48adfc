#include "cli/image_capture.h"

#include "cli/escape.h"
#include "link/protocol.h"

namespace tessimor::cli {

bool ImageCapture::Put(std::string_view data) {
  auto record = ParseImageRecord(data);
  if (!record || !image_.Place(std::move(*record))) {
    problem_ = "Read reply at address " + AddressText(address_) +
               " cannot be turned into bytes: " + Escaped(data);
    return false;
  }
  address_ += protocol::kBytesPerLine;
  return true;
}

}  // namespace tessimor::cli
