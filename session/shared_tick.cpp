#include "session/shared_tick.h"

#include <algorithm>

#include "link/protocol.h"

namespace tessimor {

std::shared_ptr<SharedTick> SharedTick::OfThisThread() {
  thread_local std::weak_ptr<SharedTick> current;
  std::shared_ptr<SharedTick> tick = current.lock();
  if (!tick) {
    tick = std::shared_ptr<SharedTick>(new SharedTick());
    current = tick;
  }
  return tick;
}

SharedTick::SharedTick() {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(protocol::kTickMs);
  connect(&timer_, &QTimer::timeout, this, &SharedTick::Beat);
}

void SharedTick::Join(const void* key, Member member) {
  Leave(key);
  members_.push_back({key, std::move(member)});
  if (!timer_.isActive()) timer_.start();
}

void SharedTick::Leave(const void* key) {
  std::erase_if(members_, [key](const Entry& entry) { return entry.key == key; });
  // Idle, nothing wakes the loop.
  if (members_.empty()) timer_.stop();
}

void SharedTick::Beat() {
  // A member's tick may end its operation, and so its own or another's membership.
  std::vector<const void*> keys;
  for (const Entry& entry : members_) keys.push_back(entry.key);
  for (const void* key : keys) {
    const auto it = std::find_if(members_.begin(), members_.end(),
                                 [key](const Entry& entry) { return entry.key == key; });
    if (it != members_.end()) {
      const Member member = it->member;
      member();
    }
  }
}

}  // namespace tessimor
