// A progress bar on standard error, drawn only for a person watching a
// terminal, and only once the work has taken a while.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace qorcrypt {

// True when standard error is a terminal.
bool StandardErrorIsTerminal() noexcept;

class Progress {
 public:
  // `total` is the byte count when known; without it the bar shows the bytes
  // done so far. Nothing is drawn before `delay` has passed.
  Progress(bool enabled, std::string label, std::optional<std::uint64_t> total, std::chrono::milliseconds delay);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  // Ends a bar that was drawn with a newline, so a following error message
  // starts on a line of its own.
  ~Progress();

  void Update(std::uint64_t done);
  // Draws the final state (if anything was drawn) and ends the line.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(std::uint64_t done);

  bool m_enabled;
  std::string m_label;
  std::optional<std::uint64_t> m_total;
  Clock::time_point m_showFrom;
  Clock::time_point m_lastDraw{};
  std::uint64_t m_done = 0;
  bool m_drawn = false;
};

}  // namespace qorcrypt
