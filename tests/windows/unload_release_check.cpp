// Loads and unloads the Windows DLL again and again, with sessions and output
// buffers left behind or given back, and checks that the C runtime's heap,
// which the DLL shares with its host, is back where it was after every
// unload: the module's static destructors run at FreeLibrary, and the
// runtime linked into the DLL keeps nothing past it.
//
// The heap is read with msvcrt's _heapwalk. Under wine that heap is the C
// runtime's own, so the comparison is exact; on Windows the process heap
// also holds the loader's records, and an exact comparison could fail there.
//
// Usage: unload_release_check PATH-TO-DLL
#include <malloc.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "module_under_test.h"

namespace {

constexpr int kCycles = 4;
constexpr int kSessions = 6;
constexpr std::int32_t kBufferLength = 4096;

// Bytes in use in the C runtime's heap, host and module alike.
std::size_t HeapInUse() {
  _HEAPINFO entry{};
  std::size_t used = 0;
  int status = _HEAPOK;
  while ((status = _heapwalk(&entry)) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) used += entry._size;
  }
  CHECK(status == _HEAPEND);
  return used;
}

struct Scenario {
  const char* name;
  bool freeBuffers;    // every output buffer given back before the unload
  bool closeSessions;  // sCRYPT_Final before the unload
};

// One load, use and unload; returns the heap in use just before the unload.
// The host side allocates nothing in here, so every difference in the heap
// is the module's.
std::size_t UseAndUnload(const Scenario& scenario) {
  static const std::uint8_t input[kBufferLength] = {};
  qor::host::LoadedModule module = qor::check::LoadModuleUnderTest();
  const qor::host::EntryPoints& fn = module.Fn();
  std::int32_t handles[kSessions] = {};
  std::uint8_t* buffers[kSessions] = {};
  for (int i = 0; i < kSessions; ++i) {
    handles[i] = fn.Open();
    CHECK(handles[i] > 0);
    CHECK(fn.InitialisePrivateKey(handles[i], "a key kept until the unload") != 0);
    std::int32_t length = 0;
    CHECK(fn.EncryptData(handles[i], input, kBufferLength, &buffers[i], &length) != 0);
  }
  if (scenario.freeBuffers) {
    for (std::uint8_t* buffer : buffers) CHECK(fn.FreeBuffer(handles[0], buffer) == 1);
  }
  if (scenario.closeSessions) fn.Final();

  const std::size_t held = HeapInUse();
  module.Unload();
  CHECK(!qor::host::IsModuleResident(qor::check::ModulePath()));
  return held;
}

TEST_CASE(EveryUnloadGivesTheHeapBack) {
  const Scenario scenarios[] = {
      {"sessions and buffers left behind", false, false},
      {"buffers given back, sessions left open", true, false},
      {"everything closed and given back", true, true},
  };
  for (const Scenario& scenario : scenarios) {
    qor::check::Trace() = scenario.name;  // allocated here, outside the measured cycles
    // The first cycle lets the host's own runtime make its first-use
    // allocations (stdio buffers and the like) before the baseline is taken.
    UseAndUnload(scenario);
    const std::size_t baseline = HeapInUse();
    for (int cycle = 0; cycle < kCycles; ++cycle) {
      const std::size_t held = UseAndUnload(scenario);
      if (!scenario.freeBuffers) {
        // The buffers left behind are visible in this heap, so the walk does
        // see the module's memory and a leak could not hide from it.
        CHECK(held >= baseline + static_cast<std::size_t>(kSessions) * kBufferLength);
      }
      CHECK(HeapInUse() == baseline);
    }
  }
}

}  // namespace

int main(int argc, char** argv) { return qor::check::RunAllOnModule(argc, argv); }
