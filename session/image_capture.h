#pragma once

#include <string>

#include "engine/image.h"
#include "engine/record_io.h"

namespace tessimor {

// A read kept in memory: each reply's record placed in an image, so it can be compared or
// saved in any format. A reply that is no record stops the read.
class ImageCapture : public RecordSink {
 public:
  bool Put(std::int32_t address, std::string_view data) override;
  std::string Problem() const override { return problem_; }

  const EepromImage& Image() const { return image_; }

 private:
  EepromImage image_;
  std::string problem_;
};

}  // namespace tessimor
