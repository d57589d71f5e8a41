// qorcrypt: a command-line host for the Qor_enc1 module.
#include <cstdio>
#include <exception>

#include "commands.h"
#include "help.h"
#include "options.h"
#include "tool_error.h"

int main(int argc, char** argv) {
  using namespace qorcrypt;
  try {
    const Options options = ParseOptions(argc, argv);
    switch (options.command) {
      case Command::kHelp:
        PrintHelp();
        return static_cast<int>(ExitStatus::kOk);
      case Command::kInfo:
        return RunInfo(options);
      case Command::kEncrypt:
      case Command::kDecrypt:
        return RunCipher(options);
    }
  } catch (const ToolError& error) {
    std::fprintf(stderr, "qorcrypt: %s\n", error.what());
    if (error.Status() == ExitStatus::kUsage) std::fputs("Try 'qorcrypt --help'.\n", stderr);
    return static_cast<int>(error.Status());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "qorcrypt: %s\n", error.what());
  }
  return static_cast<int>(ExitStatus::kFailure);
}
