#include "progress.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qorcrypt {
namespace {

// Redrawing more often than this only costs time.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

double Mebibytes(std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

bool StandardErrorIsTerminal() noexcept {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

Progress::Progress(bool enabled, std::string label, std::optional<std::uint64_t> total,
                   std::chrono::milliseconds delay)
    : m_enabled(enabled), m_label(std::move(label)), m_total(total), m_showFrom(Clock::now() + delay) {}

Progress::~Progress() {
  if (m_drawn) std::fputc('\n', stderr);
}

void Progress::Update(std::uint64_t done) {
  m_done = done;
  if (!m_enabled) return;
  const auto now = Clock::now();
  if (now < m_showFrom || (m_drawn && now - m_lastDraw < kRedrawInterval)) return;
  m_lastDraw = now;
  Draw(done);
}

void Progress::Finish() {
  if (m_drawn) {
    Draw(m_done);
    std::fputc('\n', stderr);
    m_drawn = false;
  }
}

void Progress::Draw(std::uint64_t done) {
  if (m_total && *m_total > 0) {
    const double fraction = static_cast<double>(done) / static_cast<double>(*m_total);
    const int filled = static_cast<int>(fraction * kBarWidth);
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '-';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\rqorcrypt: %s [%s] %3d%%  %.1f / %.1f MiB", m_label.c_str(), bar,
                 static_cast<int>(fraction * 100.0), Mebibytes(done), Mebibytes(*m_total));
  } else {
    std::fprintf(stderr, "\rqorcrypt: %s %.1f MiB", m_label.c_str(), Mebibytes(done));
  }
  std::fflush(stderr);
  m_drawn = true;
}

}  // namespace qorcrypt
