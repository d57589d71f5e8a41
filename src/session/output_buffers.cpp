#include "session/output_buffers.h"

namespace qor {

COutputBuffers g_outputBuffers;

COutputBuffers::~COutputBuffers() {
  for (void* buffer : m_buffers) HeapRelease(buffer);
}

void COutputBuffers::Record(void* buffer) {
  std::lock_guard lock(m_mutex);
  m_buffers.insert(buffer);
}

bool COutputBuffers::Release(void* buffer) noexcept {
  {
    std::lock_guard lock(m_mutex);
    if (m_buffers.erase(buffer) == 0) return false;
  }
  HeapRelease(buffer);
  return true;
}

std::size_t COutputBuffers::Count() const {
  std::lock_guard lock(m_mutex);
  return m_buffers.size();
}

}  // namespace qor
