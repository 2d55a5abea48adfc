#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace tessimor {

// The 10 ms tick of every adapter session of a thread. Each of many adapters ticking on a timer of
// its own woke the event loop once per adapter and tick; sharing one wakes it once a tick.
class SharedTick : public QObject {
  Q_OBJECT

 public:
  using Member = std::function<void()>;

  // The calling thread's tick, made when the first holder asks and gone with the last.
  static std::shared_ptr<SharedTick> OfThisThread();

  // `member` is called every tick from the next one on, until it leaves; `key` names it.
  void Join(const void* key, Member member);
  void Leave(const void* key);

 private:
  SharedTick();
  void Beat();

  struct Entry {
    const void* key;
    Member member;
  };
  QTimer timer_;
  std::vector<Entry> members_;
};

}  // namespace tessimor
