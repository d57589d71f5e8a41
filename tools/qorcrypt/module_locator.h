// Finds the module file when --module is not given.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qorcrypt {

// The places searched, in order: beside this program, the installation's
// library directory relative to it, then the build tree it was built in.
std::vector<std::filesystem::path> ModuleCandidates();

// The module to load: `requested` when given (checked to exist when it names
// a directory part; a bare file name is left to the system's library search),
// otherwise the first existing candidate. Throws ToolError(kModule) naming
// every place it looked.
std::string LocateModule(const std::string& requested);

}  // namespace qorcrypt
