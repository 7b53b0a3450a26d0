#include "removal_registry.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "output.h"
#include "program_run.h"
#include "test_paths.h"

namespace {

bool exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace

TEST(RemovalRegistry, EachSignalRemovesTheRegisteredFilesOnly) {
  const struct {
    int signalNumber;
    int status;
    std::string output;
  } cases[] = {
      {SIGTERM, 128 + SIGTERM, "before"},
      {SIGINT, 128 + SIGINT, "before"},
      {SIGPIPE, 128 + SIGPIPE, "before"},
      {SIGXCPU, 1, "before<H2>too long</H2>"},
  };
  for (const auto& c : cases) {
    const std::string kept = tempPath("kept"), registered = tempPath("registered"),
                      released = tempPath("released");
    for (const std::string& path : {kept, registered, released}) writeFileBytes(path, "x");
    const ChildRun run = runInChild([&] {
      installRemovalOnSignals("<H2>too long</H2>");
      registerForRemoval(registered);
      unregisterForRemoval(registerForRemoval(released));
      writeText(stdout, "before");
      // The handler writes past the stream: what the stream holds must be out first.
      std::fflush(stdout);
      ::raise(c.signalNumber);
      writeText(stdout, "after");
    });
    EXPECT_EQ(c.status, run.status) << c.signalNumber;
    EXPECT_EQ(c.output, run.output) << c.signalNumber;
    EXPECT_FALSE(exists(registered)) << c.signalNumber;
    EXPECT_TRUE(exists(kept) && exists(released)) << c.signalNumber;
  }
}

TEST(RemovalRegistry, GuardRemovesItsFileUnlessKept) {
  const std::string removed = tempPath("removed"), kept = tempPath("kept"),
                    replaced = tempPath("replaced");
  for (const std::string& path : {removed, kept, replaced}) writeFileBytes(path, "x");
  {
    RemovalGuard first(removed);
    RemovalGuard second(kept);
    keepFile(second);
    RemovalGuard third(replaced);
    // Taking another file over removes the one the guard held.
    third = RemovalGuard(removed);
    EXPECT_FALSE(exists(replaced));
    EXPECT_TRUE(exists(removed));
  }
  EXPECT_FALSE(exists(removed));
  EXPECT_TRUE(exists(kept));
  // A slot is free again once its guard is gone.
  for (int i = 0; i < 2 * kRemovalSlots; ++i) {
    RemovalGuard guard(tempPath("slot"));
    EXPECT_GE(guard.slot, 0) << i;
  }
}

TEST(RemovalRegistry, HeldSignalWaitsForTheRelease) {
  const std::string registered = tempPath("registered"), written = tempPath("written");
  writeFileBytes(registered, "x");
  const ChildRun run = runInChild([&] {
    installRemovalOnSignals();
    registerForRemoval(registered);
    holdSignals();
    ::raise(SIGTERM);
    writeFileBytes(written, "the held part ran to its end");
    releaseSignals();
    writeFileBytes(tempPath("never"), "");
  });
  EXPECT_EQ(128 + SIGTERM, run.status);
  EXPECT_TRUE(exists(written));
  EXPECT_FALSE(exists(registered));
  EXPECT_FALSE(exists(tempPath("never")));
}

TEST(RemovalRegistry, PathTooLongOrNoFreeSlotIsRefused) {
  EXPECT_EQ(-1, registerForRemoval(std::string(kRemovalPathMax, 'x')));
  std::vector<int> slots;
  for (int i = 0; i < kRemovalSlots; ++i) slots.push_back(registerForRemoval(tempPath("f")));
  EXPECT_EQ(-1, registerForRemoval(tempPath("f")));
  for (int slot : slots) EXPECT_NE(-1, slot);
  unregisterForRemoval(slots.back());
  EXPECT_EQ(slots.back(), registerForRemoval(tempPath("f")));
  for (int slot : slots) unregisterForRemoval(slot);
}
