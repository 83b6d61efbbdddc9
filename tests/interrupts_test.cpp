// The dumper's answer to interrupts: while the guard lives, each interrupt
// signal becomes a request instead of ending the process; afterwards the
// handlers that were there before are back.
#include <gtest/gtest.h>
#include <signal.h>

#include "system_services.h"

namespace {

void before(int) {}

TEST(Interrupts, SignalsBecomeARequest) {
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  for (int s : signals) {
    InterruptGuard guard;
    EXPECT_TRUE(guard.installed());
    EXPECT_FALSE(interruptRequested());
    raise(s);
    EXPECT_TRUE(interruptRequested()) << s;
  }
  InterruptGuard guard;
  EXPECT_FALSE(interruptRequested());
}

TEST(Interrupts, TheGuardPutsBackWhatWasThere) {
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction mine {
  }, saved[3], seen{};
  mine.sa_handler = before;
  sigemptyset(&mine.sa_mask);
  for (int k = 0; k < 3; ++k) ASSERT_EQ(sigaction(signals[k], &mine, &saved[k]), 0);
  {
    InterruptGuard guard;
    for (int s : signals) {
      ASSERT_EQ(sigaction(s, nullptr, &seen), 0);
      EXPECT_NE(seen.sa_handler, before) << s;
    }
  }
  for (int k = 0; k < 3; ++k) {
    ASSERT_EQ(sigaction(signals[k], &saved[k], &seen), 0);
    EXPECT_EQ(seen.sa_handler, before) << signals[k];
  }
}

// A signal ignored when the guard begins (SIGHUP under nohup) stays ignored
// while it lives and after; the others are caught, and put back.
TEST(Interrupts, AnIgnoredSignalStaysIgnored) {
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  for (int quiet : signals) {
    SCOPED_TRACE(quiet);
    struct sigaction ignore {
    }, mine{}, saved[3], seen{};
    ignore.sa_handler = SIG_IGN;
    mine.sa_handler = before;
    sigemptyset(&ignore.sa_mask);
    sigemptyset(&mine.sa_mask);
    for (int k = 0; k < 3; ++k) {
      ASSERT_EQ(sigaction(signals[k], signals[k] == quiet ? &ignore : &mine, &saved[k]), 0);
    }
    {
      InterruptGuard guard;
      EXPECT_TRUE(guard.installed());
      for (int s : signals) {
        ASSERT_EQ(sigaction(s, nullptr, &seen), 0);
        EXPECT_EQ(seen.sa_handler == SIG_IGN, s == quiet) << s;
        EXPECT_NE(seen.sa_handler, before) << s;
      }
      raise(quiet);
      EXPECT_FALSE(interruptRequested());
    }
    for (int k = 0; k < 3; ++k) {
      ASSERT_EQ(sigaction(signals[k], &saved[k], &seen), 0);
      EXPECT_EQ(seen.sa_handler, signals[k] == quiet ? SIG_IGN : before) << signals[k];
    }
  }
}

}  // namespace
