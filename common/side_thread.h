// A second thread that runs one job at a time beside the program's own work:
// in the converter the digests of a file's bytes while the next bytes are
// converted (handed over by the WAV writer, which waits for a job before it
// reuses the bytes the job reads) and the frames' peaks for the page; in the
// merge the digests of a block of frames while the next block is read.
// Nothing is shared with the thread but what a job is handed.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class SideThread {
 public:
  SideThread() = default;
  ~SideThread() { finish(); }
  SideThread(const SideThread&) = delete;
  SideThread& operator=(const SideThread&) = delete;

  // Starts the thread. False where the machine has one processor (or the
  // thread cannot start): the caller then does the work itself.
  bool start();
  bool running() const { return thread.joinable(); }
  // Hands `job` over once the one before it is done.
  void post(std::function<void()> job);
  // Returns when the job handed over last is done.
  void wait();
  // Waits and ends the thread.
  void finish();

 private:
  void run();
  std::thread thread;
  std::mutex lock;
  std::condition_variable changed;
  std::function<void()> job;
  bool busy = false;
  bool stopping = false;
};
