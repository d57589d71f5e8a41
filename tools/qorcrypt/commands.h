// The two things qorcrypt does once its command line is understood.
#pragma once

#include "options.h"

namespace qorcrypt {

// Each returns the exit status, or throws ToolError.
int RunInfo(const Options& options);
int RunCipher(const Options& options);

}  // namespace qorcrypt
