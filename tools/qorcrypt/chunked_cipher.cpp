#include "chunked_cipher.h"

#include <algorithm>
#include <string>
#include <vector>

#include "tool_error.h"

namespace qorcrypt {

std::uint64_t RunChunks(ModuleSession& session, InputSource& input, ByteSink& sink, const ChunkPlan& plan,
                        Progress& progress) {
  std::vector<std::uint8_t> chunk(plan.chunkSize);
  std::uint64_t consumed = 0;
  std::uint64_t written = 0;
  for (;;) {
    const std::size_t got = input.ReadFull(chunk);
    if (got == 0) break;
    consumed += got;
    // Only the last chunk can be short, so `consumed` is the whole length.
    if (plan.direction == Direction::kDecrypt && got % 8 != 0) {
      throw NotCiphertextError(input.DisplayName(), consumed);
    }
    session.Transform(plan.direction, std::span(chunk.data(), got), [&](std::span<const std::uint8_t> out) {
      std::size_t keep = out.size();
      if (plan.keepLength) keep = static_cast<std::size_t>(std::min<std::uint64_t>(keep, *plan.keepLength - written));
      sink.Write(out.first(keep));
      written += keep;
    });
    progress.Update(consumed);
    if (got < chunk.size()) break;
  }
  if (plan.keepLength && written < *plan.keepLength) {
    throw ToolError(ExitStatus::kFailure, "--length " + std::to_string(*plan.keepLength) + " is more than the " +
                                              std::to_string(written) + " bytes deciphered from " +
                                              input.DisplayName());
  }
  return written;
}

}  // namespace qorcrypt
