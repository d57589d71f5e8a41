// Host behaviour that needs the platform: unloading, many threads, fork.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "qor_module.h"

namespace {

using qor::host::EntryPoints;
using qor::host::LoadedModule;
using Bytes = std::vector<std::uint8_t>;

class LoadedModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Load(QOR_MODULE_PATH)) << module_.Error(); }
  const EntryPoints& fn() const { return module_.Fn(); }
  LoadedModule module_;
};

Bytes Pattern(std::size_t size, unsigned seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return bytes;
}

// Encrypts under a fresh session with `key`; empty on any failure.
Bytes EncryptWith(const EntryPoints& fn, const char* key, const Bytes& plain) {
  const std::int32_t handle = fn.Open();
  Bytes out;
  std::uint8_t* buffer = nullptr;
  std::int32_t length = 0;
  if (handle != 0 && fn.InitialisePrivateKey(handle, key) != 0 &&
      fn.EncryptData(handle, plain.data(), static_cast<std::int32_t>(plain.size()), &buffer, &length) != 0) {
    out.assign(buffer, buffer + length);
    fn.FreeBuffer(handle, buffer);
  }
  fn.Close(handle);
  return out;
}

TEST_F(LoadedModuleTest, UnloadReleasesEverythingAndReallyUnmaps) {
  const std::int32_t handle = fn().Open();
  ASSERT_NE(fn().InitialisePrivateKey(handle, "left behind"), 0);
  const Bytes plain = Pattern(100, 1);
  std::uint8_t* forgotten = nullptr;
  std::int32_t length = 0;
  ASSERT_NE(fn().EncryptData(handle, plain.data(), 100, &forgotten, &length), 0);
  module_.Unload();  // a session and a buffer still out: the leak checkers watch this
  EXPECT_FALSE(qor::host::IsModuleResident(QOR_MODULE_PATH));
  ASSERT_TRUE(module_.Load(QOR_MODULE_PATH));
  EXPECT_EQ(fn().Open(), 1);
  fn().Final();
}

// Threads open, key, encrypt, decrypt and close their own sessions while one
// thread keeps calling sCRYPT_Final. Every call either gives the right answer
// or fails cleanly with 0 because its session was closed under it.
TEST_F(LoadedModuleTest, ConcurrentSessionsAndFinal) {
  constexpr int kWorkers = 4;
  constexpr int kRounds = 150;
  const Bytes plain = Pattern(64, 3);
  const Bytes expected = EncryptWith(fn(), "shared key", plain);
  ASSERT_EQ(expected.size(), 64u);

  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::atomic<int> completed{0};
  std::atomic<int> issued{1};  // the session that made `expected`
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&] {
      for (int round = 0; round < kRounds; ++round) {
        const std::int32_t handle = fn().Open();
        if (handle <= 0) { ++wrong; continue; }
        ++issued;
        if (fn().InitialisePrivateKey(handle, "shared key") == 0) continue;  // closed by Final
        std::uint8_t* buffer = nullptr;
        std::int32_t length = 0;
        if (fn().EncryptData(handle, plain.data(), 64, &buffer, &length) == 0) continue;
        // Once the key was set, the output is right whatever happened since.
        if (length != 64 || std::memcmp(buffer, expected.data(), 64) != 0) ++wrong;
        // Freed through any handle that is still open, or left to unload.
        const std::int32_t freer = fn().Open();
        if (freer > 0) ++issued;
        if (fn().FreeBuffer(freer, buffer) != 1 && fn().Initialise(freer) != 0) ++wrong;
        fn().Close(freer);
        fn().Close(handle);
        ++completed;
      }
    });
  }
  std::thread finaliser([&] {
    while (!stop.load()) {
      EXPECT_EQ(fn().Final(), 0);
      std::this_thread::yield();
    }
  });
  for (auto& worker : workers) worker.join();
  stop = true;
  finaliser.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_GT(completed.load(), 0);
  // Every Open took the next number: none was issued twice or skipped.
  EXPECT_EQ(fn().Open(), issued.load() + 1);
}

// Closing a session or replacing its key while another thread enciphers
// with it: that call finishes with the key it started with.
TEST_F(LoadedModuleTest, CloseAndRekeyDuringLongCalls) {
  const Bytes plain = Pattern(1 << 18, 5);
  const Bytes underA = EncryptWith(fn(), "key A", plain);
  const Bytes underB = EncryptWith(fn(), "key B", plain);
  const std::int32_t handle = fn().Open();
  ASSERT_NE(fn().InitialisePrivateKey(handle, "key A"), 0);

  std::atomic<int> wrong{0};
  std::thread encryptor([&] {
    for (int i = 0; i < 20; ++i) {
      std::uint8_t* buffer = nullptr;
      std::int32_t length = 0;
      if (fn().EncryptData(handle, plain.data(), static_cast<std::int32_t>(plain.size()), &buffer, &length) == 0) {
        return;  // closed
      }
      const bool a = std::memcmp(buffer, underA.data(), plain.size()) == 0;
      const bool b = std::memcmp(buffer, underB.data(), plain.size()) == 0;
      if (!a && !b) ++wrong;
      std::int32_t any = fn().Open();
      fn().FreeBuffer(any, buffer);
      fn().Close(any);
    }
  });
  for (int i = 0; i < 10; ++i) fn().InitialisePrivateKey(handle, i % 2 == 0 ? "key B" : "key A");
  fn().Close(handle);
  encryptor.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST_F(LoadedModuleTest, ForkedChildUsesItsOwnCopyOfTheModule) {
  const std::int32_t parentHandle = fn().Open();
  ASSERT_NE(fn().InitialisePrivateKey(parentHandle, "fork key"), 0);
  const Bytes plain = Pattern(32, 7);
  const Bytes expected = EncryptWith(fn(), "fork key", plain);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // The child's table is a copy: its sessions are the parent's at the fork.
    int ok = fn().Initialise(parentHandle) != 0 && EncryptWith(fn(), "fork key", plain) == expected;
    fn().Final();
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(fn().Initialise(parentHandle), 0);  // the child's Final closed only its copy
  fn().Final();
}

// Forks while other threads are inside the module, holding its locks at
// random moments. Each child must find every lock free and the module usable;
// a child that hangs is killed by its alarm and counts as a failure.
TEST_F(LoadedModuleTest, ForkWhileOtherThreadsAreInsideTheModule) {
  const Bytes plain = Pattern(48, 9);
  const Bytes expected = EncryptWith(fn(), "busy key", plain);
  const std::int32_t shared = fn().Open();
  std::atomic<bool> stop{false};
  std::vector<std::thread> busy;
  for (int t = 0; t < 3; ++t) {
    busy.emplace_back([&] {
      while (!stop.load()) {
        fn().InitialisePrivateKey(shared, "busy key");
        EncryptWith(fn(), "busy key", plain);
      }
    });
  }
  int failures = 0;
  for (int i = 0; i < 40; ++i) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      alarm(10);
      const bool ok = fn().InitialisePrivateKey(shared, "busy key") != 0 &&
                      EncryptWith(fn(), "busy key", plain) == expected;
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failures;
  }
  stop = true;
  for (auto& thread : busy) thread.join();
  EXPECT_EQ(failures, 0);
  fn().Final();
}

}  // namespace
