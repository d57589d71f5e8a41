#include "qor_module.h"

#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace qor::host {
namespace {

#if defined(_WIN32)
void* OpenLibrary(const std::string& path) { return reinterpret_cast<void*>(LoadLibraryA(path.c_str())); }
void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
void* FindSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
std::string LastLoadError() { return "LoadLibrary failed with error " + std::to_string(GetLastError()); }
#else
void* OpenLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void CloseLibrary(void* handle) { dlclose(handle); }
void* FindSymbol(void* handle, const char* name) { return dlsym(handle, name); }
std::string LastLoadError() {
  const char* message = dlerror();
  return message != nullptr ? message : "unknown dlopen error";
}
#endif

// Function pointers and object pointers convert through this one cast; both
// platforms define the conversion for symbols they return.
template <class Fn>
bool Resolve(void* handle, const char* name, Fn& slot, std::string& error) {
  void* address = FindSymbol(handle, name);
  if (address == nullptr) {
    error = std::string("the module has no entry point ") + name;
    return false;
  }
  slot = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
  return true;
}

}  // namespace

LoadedModule::LoadedModule(LoadedModule&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_fn(std::exchange(other.m_fn, EntryPoints{})),
      m_error(std::move(other.m_error)) {}

LoadedModule& LoadedModule::operator=(LoadedModule&& other) noexcept {
  if (this != &other) {
    Unload();
    m_handle = std::exchange(other.m_handle, nullptr);
    m_fn = std::exchange(other.m_fn, EntryPoints{});
    m_error = std::move(other.m_error);
  }
  return *this;
}

bool LoadedModule::Load(const std::string& path) {
  Unload();
  m_error.clear();
  void* handle = OpenLibrary(path);
  if (handle == nullptr) {
    m_error = "cannot load " + path + ": " + LastLoadError();
    return false;
  }
  EntryPoints fn;
  const bool complete =
      Resolve(handle, "sCRYPT_Open", fn.Open, m_error) &&
      Resolve(handle, "sCRYPT_Initialise", fn.Initialise, m_error) &&
      Resolve(handle, "sCRYPT_Close", fn.Close, m_error) &&
      Resolve(handle, "sCRYPT_Final", fn.Final, m_error) &&
      Resolve(handle, "sCRYPT_GetEncryptedSize", fn.GetEncryptedSize, m_error) &&
      Resolve(handle, "sCRYPT_GetAlgorithmInfo", fn.GetAlgorithmInfo, m_error) &&
      Resolve(handle, "sCRYPT_InitialisePrivateKey", fn.InitialisePrivateKey, m_error) &&
      Resolve(handle, "sCRYPT_InitialiseSessionKey", fn.InitialiseSessionKey, m_error) &&
      Resolve(handle, "sCRYPT_GenerateSessionKey", fn.GenerateSessionKey, m_error) &&
      Resolve(handle, "sCRYPT_GetPublicKey", fn.GetPublicKey, m_error) &&
      Resolve(handle, "sCRYPT_EncryptSessionKey", fn.EncryptSessionKey, m_error) &&
      Resolve(handle, "sCRYPT_DecryptSessionKey", fn.DecryptSessionKey, m_error) &&
      Resolve(handle, "sCRYPT_EncryptData", fn.EncryptData, m_error) &&
      Resolve(handle, "sCRYPT_DecryptData", fn.DecryptData, m_error) &&
      Resolve(handle, "sCRYPT_FreeBuffer", fn.FreeBuffer, m_error);
  if (!complete) {
    m_error = path + ": " + m_error;
    CloseLibrary(handle);
    return false;
  }
  m_handle = handle;
  m_fn = fn;
  return true;
}

void LoadedModule::Unload() noexcept {
  if (m_handle != nullptr) CloseLibrary(m_handle);
  m_handle = nullptr;
  m_fn = EntryPoints{};
}

void* LoadedModule::Symbol(const char* name) const noexcept {
  return m_handle != nullptr ? FindSymbol(m_handle, name) : nullptr;
}

const char* ModuleFileName() noexcept {
#if defined(_WIN32)
  return "Qor_enc1.dll";
#else
  return "Qor_enc1.so";
#endif
}

bool IsModuleResident(const std::string& path) noexcept {
#if defined(_WIN32)
  (void)path;
  return GetModuleHandleA(ModuleFileName()) != nullptr;
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
#endif
}

}  // namespace qor::host
