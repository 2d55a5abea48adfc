#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "sim/adapter_simulator.h"

namespace tessimor {

// Faults a test can ask of the simulated adapter.
struct PtyFaults {
  int mute_after = -1;    // stop answering after this many replies; -1 never
  bool lf = false;        // send LF after each reply's CR
  bool split = false;     // each reply in two writes a few milliseconds apart
  int delay_ms = 0;       // answer this late
  int every = 1;          // split and delay only every so many replies
  std::string noise{};    // put after each reply's first letter, as a noisy line would
  int unplug_after = -1;  // after this many replies, answer nothing and soon close the port as
                          // an unplug does; -1 never
};

// Serves an AdapterSimulator on the master side of a fresh pseudo-terminal, from a thread of
// its own, so a serial port can open the slave side like a real adapter's.
class PtyServer {
 public:
  PtyServer(AdapterSimulator& adapter, PtyFaults faults = {});
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Opens the pair and starts serving; false when no pty could be had. With `hold_slave`, the
  // server keeps the slave open itself, so the port never hangs up and clients come and go
  // unseen. Otherwise the server sees each client close the port: it drops what that client
  // left unread, as a closed port would, and waits for the next one; with `once` it ends.
  bool Start(bool hold_slave = true, bool once = false);
  void Stop();
  // Closes the port under its client, as pulling the adapter out does; serving ends.
  void Unplug();
  bool Serving() const { return serving_; }
  // Serving ended by an unplug, asked for or after `unplug_after` replies.
  bool Unplugged() const { return unplugged_; }

  const std::string& SlavePath() const { return slave_path_; }
  // Every byte received so far, and replies sent; safe while serving.
  std::string Received() const;
  int Replies() const { return replies_; }

 private:
  void Serve();
  void Answer(std::string_view bytes);
  // Split and delayed as the faults say when `late`.
  void Send(const std::string& bytes, bool late);
  bool UnplugDue() const;
  void CloseTerminal();
  void ForgetClient();

  AdapterSimulator& adapter_;
  PtyFaults faults_;
  int master_ = -1;
  int slave_ = -1;
  bool once_ = false;
  int wake_[2] = {-1, -1};
  std::string slave_path_;
  std::thread thread_;
  std::atomic<bool> serving_{false};
  std::atomic<bool> unplugged_{false};
  std::atomic<int> replies_{0};
  mutable std::mutex mutex_;
  std::string received_;
};

}  // namespace tessimor
