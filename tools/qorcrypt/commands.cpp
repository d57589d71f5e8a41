#include "commands.h"

#include <cstdio>
#include <string>

#include "chunked_cipher.h"
#include "key_source.h"
#include "module_locator.h"
#include "qor_module.h"
#include "tool_error.h"

namespace qorcrypt {
namespace {

qor::host::LoadedModule LoadModule(const Options& options, std::string& path) {
  path = LocateModule(options.modulePath);
  qor::host::LoadedModule module;
  if (!module.Load(path)) throw ToolError(ExitStatus::kModule, module.Error());
  return module;
}

// Checks that need only the input's size, done before an output file is
// even created.
void CheckKnownSize(const Options& options, const InputSource& input) {
  const auto size = input.KnownSize();
  if (!size || options.command != Command::kDecrypt) return;
  if (*size % 8 != 0) {
    throw NotCiphertextError(input.DisplayName(), *size);
  }
  if (options.length && *options.length > *size) {
    throw ToolError(ExitStatus::kFailure, "--length " + std::to_string(*options.length) + " is more than the " +
                                              std::to_string(*size) + " bytes of " + input.DisplayName());
  }
}

}  // namespace

int RunInfo(const Options& options) {
  std::string path;
  const qor::host::LoadedModule module = LoadModule(options, path);
  char name[64] = {};
  double version = 0.0;
  std::int32_t classCode = 0;
  module.Fn().GetAlgorithmInfo(name, static_cast<std::int32_t>(sizeof name), &version, &classCode);
  std::printf("module:     %s\nalgorithm:  %s\nversion:    %.1f\nclass code: %d\n", path.c_str(), name, version,
              static_cast<int>(classCode));
  return static_cast<int>(ExitStatus::kOk);
}

int RunCipher(const Options& options) {
  // Declared in this order so that they end in reverse: buffers and the
  // session go back to the module before it is unloaded.
  std::string path;
  const qor::host::LoadedModule module = LoadModule(options, path);
  const SecretBytes key = LoadKey(options);
  InputSource input(options.input);
  CheckKnownSize(options, input);
  ModuleSession session(module.Fn(), key);
  const std::unique_ptr<ByteSink> sink = OpenSink(options.output);

  const Direction direction = options.command == Command::kEncrypt ? Direction::kEncrypt : Direction::kDecrypt;
  const ChunkPlan plan{direction, options.chunkSize, options.length};
  Progress progress(options.progress && StandardErrorIsTerminal(),
                    direction == Direction::kEncrypt ? "encrypt" : "decrypt", input.KnownSize(),
                    options.progressDelay);
  RunChunks(session, input, *sink, plan, progress);
  sink->Commit();
  progress.Finish();
  return static_cast<int>(ExitStatus::kOk);
}

}  // namespace qorcrypt
