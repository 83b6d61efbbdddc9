#include "side_thread.h"

#include <utility>

bool SideThread::start() {
  if (running()) return true;
  if (std::thread::hardware_concurrency() < 2) return false;
  stopping = false;
  busy = false;
  thread = std::thread([this] { run(); });
  return running();
}

void SideThread::run() {
  std::unique_lock<std::mutex> held(lock);
  for (;;) {
    changed.wait(held, [this] { return busy || stopping; });
    if (!busy) return;
    std::function<void()> now = std::move(job);
    held.unlock();
    now();
    held.lock();
    busy = false;
    changed.notify_all();
  }
}

void SideThread::post(std::function<void()> next) {
  std::unique_lock<std::mutex> held(lock);
  changed.wait(held, [this] { return !busy; });
  job = std::move(next);
  busy = true;
  changed.notify_all();
}

void SideThread::wait() {
  if (!running()) return;
  std::unique_lock<std::mutex> held(lock);
  changed.wait(held, [this] { return !busy; });
}

void SideThread::finish() {
  if (!running()) return;
  {
    std::unique_lock<std::mutex> held(lock);
    changed.wait(held, [this] { return !busy; });
    stopping = true;
    changed.notify_all();
  }
  thread.join();
}
