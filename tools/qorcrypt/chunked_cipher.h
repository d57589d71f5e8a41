// Streams an input through the module chunk by chunk. The module enciphers
// every 8-byte block on its own, so as long as every chunk but the last is a
// whole number of blocks the result equals one call over the whole input,
// while memory stays at about two chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "byte_sink.h"
#include "input_source.h"
#include "module_session.h"
#include "progress.h"

namespace qorcrypt {

struct ChunkPlan {
  Direction direction = Direction::kEncrypt;
  std::size_t chunkSize = 0;              // a positive multiple of 8
  std::optional<std::uint64_t> keepLength;  // decrypt: write only this many bytes
};

// Returns the number of bytes written. Throws ToolError for a decrypt input
// that is not a whole number of blocks and for a keepLength longer than the
// deciphered data; the sink is then left uncommitted.
std::uint64_t RunChunks(ModuleSession& session, InputSource& input, ByteSink& sink, const ChunkPlan& plan,
                        Progress& progress);

}  // namespace qorcrypt
