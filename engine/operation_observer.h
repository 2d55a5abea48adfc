#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessimor {

// How an operation ended.
enum class Outcome {
  kDone,            // every record went; a read's file holds them all
  kTimedOut,        // the adapter fell silent
  kImageFailed,     // the image could not be opened, written or kept
  kNoColon,         // a line of the image file has no colon
  kNothingToWrite,  // the image file holds no records
  kStopped,         // stopped from outside with a reason, e.g. the port went away
  kEnded,           // ended without a word: the program ended it, or another start cut in
};

struct OperationEnd {
  std::int32_t mode = 0;  // the mode it ran in
  Outcome outcome = Outcome::kDone;
  std::string message;  // what the user was told; empty when nothing
};

// Learns what the running operation does, from the engine itself.
class OperationObserver {
 public:
  virtual ~OperationObserver() = default;

  // A reply moved the operation on past `bytes` more bytes; it goes on at `next_address`: a
  // write's next record, or just past the last byte at the end.
  virtual void Advanced(std::size_t bytes, std::uint32_t next_address) = 0;
  // Once for every operation started, after the window has been told.
  virtual void Ended(const OperationEnd& end) = 0;
};

}  // namespace tessimor
