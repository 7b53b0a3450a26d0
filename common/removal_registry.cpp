#include "removal_registry.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kHandledSignals[] = {SIGTERM, SIGINT, SIGPIPE, SIGXCPU};

char registeredPaths[kRemovalSlots][kRemovalPathMax];
volatile sig_atomic_t slotUsed[kRemovalSlots];
char cpuText[1024];
std::size_t cpuTextLength = 0;
sigset_t heldSignals, signalsBeforeHold;

// Only async-signal-safe calls: unlink, write, _exit.
void removeAll() {
  for (int slot = 0; slot < kRemovalSlots; ++slot) {
    if (slotUsed[slot] == 0) continue;
    ::unlink(registeredPaths[slot]);
    slotUsed[slot] = 0;
  }
}

void endOnSignal(int signalNumber) {
  removeAll();
  if (signalNumber == SIGXCPU) {
    std::size_t done = 0;
    while (done < cpuTextLength) {
      const ssize_t written = ::write(STDOUT_FILENO, cpuText + done, cpuTextLength - done);
      if (written <= 0) break;
      done += static_cast<std::size_t>(written);
    }
    ::_exit(1);
  }
  ::_exit(128 + signalNumber);
}

sigset_t handledSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signalNumber : kHandledSignals) sigaddset(&set, signalNumber);
  return set;
}

}  // namespace

int registerForRemoval(std::string_view path) {
  if (path.size() >= kRemovalPathMax || path.find('\0') != std::string_view::npos) return -1;
  for (int slot = 0; slot < kRemovalSlots; ++slot) {
    if (slotUsed[slot] != 0) continue;
    if (!path.empty()) std::memcpy(registeredPaths[slot], path.data(), path.size());
    registeredPaths[slot][path.size()] = '\0';
    // The path is complete before a handler can see the slot in use.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    slotUsed[slot] = 1;
    return slot;
  }
  return -1;
}

void unregisterForRemoval(int slot) {
  if (slot >= 0 && slot < kRemovalSlots) slotUsed[slot] = 0;
}

void removeRegisteredPaths() { removeAll(); }

void replaceCpuMessage(std::string_view cpuMessage) {
  // No handler writes the text while it changes.
  holdSignals();
  cpuTextLength = std::min(cpuMessage.size(), sizeof cpuText - 1);
  if (cpuTextLength > 0) std::memcpy(cpuText, cpuMessage.data(), cpuTextLength);
  releaseSignals();
}

void installRemovalOnSignals(std::string_view cpuMessage) {
  replaceCpuMessage(cpuMessage);
  struct sigaction action {};
  action.sa_handler = endOnSignal;
  // One handler at a time: a second signal waits until the first has ended the process.
  action.sa_mask = handledSet();
  for (int signalNumber : kHandledSignals) sigaction(signalNumber, &action, nullptr);
}

void holdSignals() {
  heldSignals = handledSet();
  sigprocmask(SIG_BLOCK, &heldSignals, &signalsBeforeHold);
}

void releaseSignals() { sigprocmask(SIG_SETMASK, &signalsBeforeHold, nullptr); }

RemovalGuard::~RemovalGuard() {
  if (!path.empty()) ::unlink(path.c_str());
  unregisterForRemoval(slot);
}

RemovalGuard& RemovalGuard::operator=(RemovalGuard&& other) noexcept {
  if (this != &other) {
    if (!path.empty()) ::unlink(path.c_str());
    unregisterForRemoval(slot);
    path = std::move(other.path);
    slot = other.slot;
    other.path.clear();
    other.slot = -1;
  }
  return *this;
}

void keepFile(RemovalGuard& guard) {
  unregisterForRemoval(guard.slot);
  guard.slot = -1;
  guard.path.clear();
}
