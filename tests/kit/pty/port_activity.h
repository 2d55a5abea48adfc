#pragma once

namespace tessimor::testing {

// Runs the event loop for `ms` milliseconds and counts the descriptor notifications delivered
// meanwhile: a port polling a dead device shows thousands, a quiet one next to none.
int CountDescriptorNotifications(int ms);

}  // namespace tessimor::testing
