// A host may fork while other threads are inside the module. The child has
// only the forking thread, so any lock another thread held at that moment
// would stay locked in the child for ever. Taking every module lock around
// fork() means the child inherits them free, with the state they guard
// consistent. The handlers belong to this module and are dropped when it is
// unloaded.
#if !defined(_WIN32)

#include <pthread.h>

#include "session/output_buffers.h"
#include "session/session_map.h"

namespace qor {
namespace {

void PrepareFork() noexcept {
  g_sessionMap.LockForFork();
  g_outputBuffers.LockForFork();
}

void ResumeAfterFork() noexcept {
  g_outputBuffers.UnlockAfterFork();
  g_sessionMap.UnlockAfterFork();
}

[[maybe_unused]] const int g_forkHandlers = pthread_atfork(PrepareFork, ResumeAfterFork, ResumeAfterFork);

}  // namespace
}  // namespace qor

#endif
