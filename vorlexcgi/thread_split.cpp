#include "thread_split.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int kMostThreads = 64;

}  // namespace

int scanThreads(const ThreadRule& rule, std::int64_t records, unsigned cores, double load) {
  if (rule.threads == 1) return 1;
  const int machine = cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMostThreads));
  int wanted = 1;
  if (rule.threads > 1) {
    wanted = std::min(rule.threads, kMostThreads);
  } else if (load >= 0) {
    // Each whole unit of load holds a core; the request takes what is left, its own included.
    wanted = machine - static_cast<int>(std::min(std::floor(load), double{kMostThreads}));
  }
  if (rule.capAtCores) wanted = std::min(wanted, machine);
  const std::int64_t perThread = std::max<std::int64_t>(rule.recordsPerThread, 1);
  const std::int64_t byRecords = std::max<std::int64_t>(records / perThread, 1);
  return static_cast<int>(
      std::clamp<std::int64_t>(std::min<std::int64_t>(wanted, byRecords), 1, kMostThreads));
}

int scanThreads(const ThreadRule& rule, std::int64_t records) {
  double load = -1;
  if (rule.threads == 0 && getloadavg(&load, 1) != 1) load = -1;
  return scanThreads(rule, records, std::thread::hardware_concurrency(), load);
}

int runBlocksInOrder(std::size_t blocks, int threads, std::size_t slots,
                     const std::function<void(std::size_t block, std::size_t slot)>& produce,
                     const std::function<void(std::size_t slot)>& apply) {
  enum : std::uint8_t { kEmpty, kReady, kFailed };
  slots = std::max<std::size_t>(slots, 1);
  std::atomic<std::size_t> next{0}, applied{0};
  std::vector<std::atomic<std::uint8_t>> ready(slots);
  std::atomic<bool> failed{false};
  bool stopped = false;  // the applier's own: a block failed, so none after it is applied
  std::exception_ptr failure;
  std::mutex failureLock;
  // Calls for the applier's role: one thread at a time applies, and a thread that makes a block
  // ready while another applies goes back to producing instead of waiting for it. The applier
  // looks again for each call that came while it applied, so no ready block is left behind.
  std::atomic<std::size_t> applyCalls{0};
  auto keepFailure = [&] {
    const std::lock_guard<std::mutex> lock(failureLock);
    if (!failure) failure = std::current_exception();
    failed.store(true);
  };
  // Applies every block that is ready, from the first not applied on, in order.
  auto applyInOrder = [&] {
    for (std::size_t block = applied.load(); block < blocks; block = applied.load()) {
      std::atomic<std::uint8_t>& state = ready[block % slots];
      const std::uint8_t was = state.load();
      if (was == kEmpty) return;
      stopped = stopped || was == kFailed;
      if (!stopped) {
        try {
          apply(block % slots);
        } catch (...) {
          keepFailure();
          stopped = true;
        }
      }
      state.store(kEmpty);
      applied.store(block + 1);
      applied.notify_all();
    }
  };
  // Whoever makes a block ready comes here after.
  auto applyReady = [&] {
    if (applyCalls.fetch_add(1) != 0) return;
    do {
      applyInOrder();
    } while (applyCalls.fetch_sub(1) != 1);
  };
  auto work = [&] {
    while (!failed.load()) {
      const std::size_t block = next.fetch_add(1);
      if (block >= blocks) return;
      // The block's slot is free once the block that used it before is applied.
      for (std::size_t done = applied.load(); done + slots <= block; done = applied.load()) {
        applied.wait(done);
      }
      std::uint8_t outcome = kReady;
      try {
        produce(block, block % slots);
      } catch (...) {
        keepFailure();
        outcome = kFailed;
      }
      ready[block % slots].store(outcome);
      applyReady();
    }
  };

  std::vector<std::thread> helpers;
  const int wanted = std::clamp(threads, 1, kMostThreads);
  helpers.reserve(static_cast<std::size_t>(wanted - 1));
  for (int worker = 1; worker < wanted; ++worker) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
  return static_cast<int>(helpers.size()) + 1;
}
