// An output file that appears, or replaces the old one, only when complete.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "byte_sink.h"

namespace qorcrypt {

class AtomicFileSink final : public ByteSink {
 public:
  // Creates the temporary file beside `target` (same directory, so the final
  // rename stays on one file system). Throws ToolError when it cannot.
  explicit AtomicFileSink(const std::filesystem::path& target);
  AtomicFileSink(const AtomicFileSink&) = delete;
  AtomicFileSink& operator=(const AtomicFileSink&) = delete;
  // Without Commit: removes the temporary file; the target is untouched.
  ~AtomicFileSink() override;

  void Write(std::span<const std::uint8_t> bytes) override;
  // Flushes, closes and renames the temporary file onto the target, keeping
  // the permissions of a target that existed.
  void Commit() override;

 private:
  void Discard() noexcept;

  std::filesystem::path m_target;
  std::filesystem::path m_temporary;
  std::FILE* m_file = nullptr;
  bool m_committed = false;
};

}  // namespace qorcrypt
