#pragma once

namespace qorcrypt {

// The --help text, written to standard output.
void PrintHelp();

}  // namespace qorcrypt
