// One session of the loaded module, opened with a key and closed when done.
// Every output buffer the module hands out goes back through
// sCRYPT_FreeBuffer before the call that received it returns.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "key_source.h"
#include "qor_module.h"

namespace qorcrypt {

enum class Direction { kEncrypt, kDecrypt };

class ModuleSession {
 public:
  // Opens a session and sets its private key. Throws ToolError when the
  // module refuses either.
  ModuleSession(const qor::host::EntryPoints& fn, const SecretBytes& key);
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;
  ~ModuleSession();

  // Runs one data call over `data` (at most QOR_ENC1_MAX_DATA_LENGTH bytes)
  // and passes the module's output to `consume`; the buffer is given back to
  // the module afterwards, also when `consume` throws.
  void Transform(Direction direction, std::span<const std::uint8_t> data,
                 const std::function<void(std::span<const std::uint8_t>)>& consume);

 private:
  const qor::host::EntryPoints& m_fn;
  std::int32_t m_handle = 0;
};

}  // namespace qorcrypt
