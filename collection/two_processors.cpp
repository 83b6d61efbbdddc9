#include "two_processors.h"

#include <atomic>

#include "side_thread.h"

void onTwoProcessors(size_t count, const std::function<void(size_t)>& work) {
  std::atomic<size_t> next{0};
  auto take = [&] {
    for (size_t k = next++; k < count; k = next++) work(k);
  };
  SideThread side;
  if (count > 1 && side.start()) {
    side.post(take);
    take();
    side.wait();
  } else {
    take();
  }
}
