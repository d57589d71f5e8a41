#include "module_locator.h"

#include <system_error>

#include "install_layout.h"
#include "qor_module.h"
#include "tool_error.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qorcrypt {
namespace {

std::filesystem::path ExecutableDirectory() {
#if defined(_WIN32)
  wchar_t buffer[32768];
  const DWORD size = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  if (size == 0 || size >= std::size(buffer)) return {};
  return std::filesystem::path(buffer).parent_path();
#else
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path{} : self.parent_path();
#endif
}

}  // namespace

std::vector<std::filesystem::path> ModuleCandidates() {
  const std::filesystem::path name = qor::host::ModuleFileName();
  std::vector<std::filesystem::path> candidates;
  const std::filesystem::path directory = ExecutableDirectory();
  if (!directory.empty()) {
    candidates.push_back(directory / name);
    candidates.push_back((directory / QORCRYPT_LIBDIR_FROM_BINDIR / name).lexically_normal());
  }
  const std::filesystem::path built = QORCRYPT_BUILD_TREE_MODULE;
  if (!built.empty()) candidates.push_back(built);
  return candidates;
}

std::string LocateModule(const std::string& requested) {
  std::error_code error;
  if (!requested.empty()) {
    const std::filesystem::path path = requested;
    if (path.has_parent_path() && !std::filesystem::exists(path, error)) {
      throw ToolError(ExitStatus::kModule, "module file '" + requested + "' does not exist");
    }
    return requested;
  }
  std::string looked;
  for (const auto& candidate : ModuleCandidates()) {
    if (std::filesystem::is_regular_file(candidate, error)) return candidate.string();
    looked += "\n  " + candidate.string();
  }
  throw ToolError(ExitStatus::kModule, std::string("cannot find ") + qor::host::ModuleFileName() +
                                           "; looked in:" + looked + "\nuse --module PATH");
}

}  // namespace qorcrypt
