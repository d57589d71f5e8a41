// Loads the module as a host does (dlopen / LoadLibrary) and resolves the
// fifteen entry points by name. Shared by the command-line host and the host
// tests so that both exercise the real dynamic interface.
#pragma once

#include <string>

#include "qor_enc1.h"

namespace qor::host {

struct EntryPoints {
  sCRYPT_Open_fn Open = nullptr;
  sCRYPT_Initialise_fn Initialise = nullptr;
  sCRYPT_Close_fn Close = nullptr;
  sCRYPT_Final_fn Final = nullptr;
  sCRYPT_GetEncryptedSize_fn GetEncryptedSize = nullptr;
  sCRYPT_GetAlgorithmInfo_fn GetAlgorithmInfo = nullptr;
  sCRYPT_InitialisePrivateKey_fn InitialisePrivateKey = nullptr;
  sCRYPT_InitialiseSessionKey_fn InitialiseSessionKey = nullptr;
  sCRYPT_GenerateSessionKey_fn GenerateSessionKey = nullptr;
  sCRYPT_GetPublicKey_fn GetPublicKey = nullptr;
  sCRYPT_EncryptSessionKey_fn EncryptSessionKey = nullptr;
  sCRYPT_DecryptSessionKey_fn DecryptSessionKey = nullptr;
  sCRYPT_EncryptData_fn EncryptData = nullptr;
  sCRYPT_DecryptData_fn DecryptData = nullptr;
  sCRYPT_FreeBuffer_fn FreeBuffer = nullptr;
};

// Owns one load of the module; unloads it when destroyed.
class LoadedModule {
 public:
  LoadedModule() = default;
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  LoadedModule(LoadedModule&& other) noexcept;
  LoadedModule& operator=(LoadedModule&& other) noexcept;
  ~LoadedModule() { Unload(); }

  // Loads `path` and resolves every entry point. On failure returns false,
  // holds nothing, and Error() says what went wrong.
  bool Load(const std::string& path);
  void Unload() noexcept;

  bool IsLoaded() const noexcept { return m_handle != nullptr; }
  const EntryPoints& Fn() const noexcept { return m_fn; }
  const std::string& Error() const noexcept { return m_error; }

  // The raw address of an exported name, or null; for tests of the export table.
  void* Symbol(const char* name) const noexcept;

 private:
  void* m_handle = nullptr;
  EntryPoints m_fn;
  std::string m_error;
};

// The module file name on this platform: Qor_enc1.dll or Qor_enc1.so.
const char* ModuleFileName() noexcept;

// True when the module at `path` is mapped in this process right now, without
// loading it (used to show that an unload really unloaded it).
bool IsModuleResident(const std::string& path) noexcept;

}  // namespace qor::host
