#include "thread_split.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(ThreadSplit, ThreadsFollowTheRuleTheCoresTheLoadAndTheRecords) {
  const std::int64_t many = std::int64_t{1} << 30;
  const struct {
    const char* what;
    int setting;
    std::int64_t records;
    unsigned cores;
    double load;
    int threads;
  } cases[] = {
      {"quiet machine", 0, many, 4, 0.2, 4},
      {"one core busy", 0, many, 4, 1.0, 3},
      {"almost two busy", 0, many, 4, 1.99, 3},
      {"every core busy", 0, many, 4, 4.0, 1},
      {"overloaded", 0, many, 4, 37.5, 1},
      {"load unknown", 0, many, 4, -1, 1},
      {"cores unknown", 0, many, 0, 0, 1},
      {"turned off", 1, many, 4, 0, 1},
      {"set, whatever the load", 3, many, 4, 9.0, 3},
      {"set above the cores", 16, many, 4, 0, 4},
      {"few records", 0, 3 << 20, 8, 0, 3},
      {"fewer than one thread's", 0, 1000, 8, 0, 1},
      {"no records", 0, 0, 8, 0, 1},
  };
  for (const auto& c : cases) {
    ThreadRule rule;
    rule.threads = c.setting;
    EXPECT_EQ(c.threads, scanThreads(rule, c.records, c.cores, c.load)) << c.what;
  }
  ThreadRule uncapped;
  uncapped.threads = 6;
  uncapped.capAtCores = false;
  uncapped.recordsPerThread = 1;
  EXPECT_EQ(6, scanThreads(uncapped, 100, 2, 5.0));
  EXPECT_EQ(2, scanThreads(uncapped, 2, 2, 5.0));
}

TEST(ThreadSplit, BlocksAreAppliedInTheirOrderWhateverFinishesFirst) {
  for (int threads : {1, 2, 3, 8}) {
    for (std::size_t slots : {std::size_t{1}, std::size_t{3}, std::size_t{32}}) {
      const std::size_t blocks = 500;
      std::vector<std::size_t> held(slots);
      std::vector<std::size_t> applied;
      const int ran = runBlocksInOrder(
          blocks, threads, slots,
          [&](std::size_t block, std::size_t slot) {
            // Later blocks often finish first.
            if (block % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
            held[slot] = block;
          },
          [&](std::size_t slot) { applied.push_back(held[slot]); });
      EXPECT_EQ(threads, ran);
      ASSERT_EQ(blocks, applied.size()) << threads << " threads, " << slots << " slots";
      for (std::size_t k = 0; k < blocks; ++k) ASSERT_EQ(k, applied[k]) << threads;
    }
  }
  int calls = 0;
  runBlocksInOrder(
      0, 4, 8, [&](std::size_t, std::size_t) { ++calls; }, [&](std::size_t) { ++calls; });
  EXPECT_EQ(0, calls);
}

TEST(ThreadSplit, OtherThreadsGoOnProducingWhileOneApplies) {
  // The first block's addition waits until every slot holds a produced block: only a thread that
  // goes back to producing while another applies can fill them, where one that waited for its
  // turn to apply would hold the run back for as long as the addition takes.
  const std::size_t slots = 8;
  std::mutex lock;
  std::condition_variable changed;
  std::size_t produced = 0;
  bool waited = false, filled = false;
  runBlocksInOrder(
      64, 2, slots,
      [&](std::size_t, std::size_t) {
        const std::lock_guard<std::mutex> guard(lock);
        ++produced;
        changed.notify_all();
      },
      [&](std::size_t) {
        if (waited) return;
        waited = true;
        std::unique_lock<std::mutex> guard(lock);
        filled =
            changed.wait_for(guard, std::chrono::seconds(20), [&] { return produced >= slots; });
      });
  EXPECT_TRUE(filled);
}

TEST(ThreadSplit, AFailureInAnyBlockEndsTheRunAndIsThrownToTheCaller) {
  for (int threads : {1, 4}) {
    for (bool inApply : {false, true}) {
      std::vector<std::size_t> held(16);
      std::vector<std::size_t> applied;
      auto run = [&] {
        runBlocksInOrder(
            10000, threads, held.size(),
            [&](std::size_t block, std::size_t slot) {
              if (!inApply && block == 57) throw std::bad_alloc();
              held[slot] = block;
            },
            [&](std::size_t slot) {
              if (inApply && held[slot] == 57) throw std::length_error("apply");
              applied.push_back(held[slot]);
            });
      };
      if (inApply) {
        EXPECT_THROW(run(), std::length_error) << threads;
      } else {
        EXPECT_THROW(run(), std::bad_alloc) << threads;
      }
      // Every block before the failing one was applied, in order; none after it.
      ASSERT_EQ(57u, applied.size()) << threads << " " << inApply;
      for (std::size_t k = 0; k < applied.size(); ++k) EXPECT_EQ(k, applied[k]);
    }
  }
}
