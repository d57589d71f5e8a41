#include "atomic_file_sink.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>

#include "tool_error.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace qorcrypt {
namespace {

[[noreturn]] void Fail(const std::string& message) { throw ToolError(ExitStatus::kFailure, message); }

#if !defined(_WIN32)
// An interrupt (Ctrl-C, kill) must not leave the temporary file behind. The
// handler may only use async-signal-safe calls, so the path waits in a fixed
// buffer.
char g_temporaryPath[4096];
volatile std::sig_atomic_t g_temporaryActive = 0;

extern "C" void RemoveTemporaryAndDie(int signalNumber) {
  if (g_temporaryActive != 0) unlink(g_temporaryPath);
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

void WatchTemporary(const std::filesystem::path& path) {
  const std::string text = path.string();
  if (text.size() >= sizeof g_temporaryPath) return;
  std::memcpy(g_temporaryPath, text.c_str(), text.size() + 1);
  g_temporaryActive = 1;
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) std::signal(signalNumber, RemoveTemporaryAndDie);
}

void ForgetTemporary() noexcept { g_temporaryActive = 0; }
#else
void WatchTemporary(const std::filesystem::path&) {}
void ForgetTemporary() noexcept {}
#endif

// Opens a new file that did not exist before ("x": exclusive), trying a few
// random names so that concurrent runs never share one.
std::FILE* CreateTemporary(const std::filesystem::path& target, std::filesystem::path& chosen) {
  std::random_device entropy;
  const std::filesystem::path directory = target.parent_path().empty() ? "." : target.parent_path();
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "%08x%08x", entropy(), entropy());
    std::string name = ".";
    name.append(target.filename().string()).append(".").append(suffix).append(".qorcrypt-tmp");
    std::filesystem::path candidate = directory / name;
    std::FILE* file = std::fopen(candidate.string().c_str(), "wbx");
    if (file != nullptr) {
      chosen = std::move(candidate);
      return file;
    }
    if (errno != EEXIST) {
      Fail("cannot create a file in '" + directory.string() + "' for output '" + target.string() +
           "': " + std::strerror(errno));
    }
  }
  Fail("cannot find a free temporary name beside '" + target.string() + "'");
}

}  // namespace

AtomicFileSink::AtomicFileSink(const std::filesystem::path& target) : m_target(target) {
  std::error_code error;
  if (std::filesystem::is_directory(target, error)) Fail("output '" + target.string() + "' is a directory");
  m_file = CreateTemporary(target, m_temporary);
  WatchTemporary(m_temporary);
}

AtomicFileSink::~AtomicFileSink() {
  if (!m_committed) Discard();
}

void AtomicFileSink::Discard() noexcept {
  if (m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
  std::error_code error;
  std::filesystem::remove(m_temporary, error);
  ForgetTemporary();
}

void AtomicFileSink::Write(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
    Fail("cannot write output '" + m_target.string() + "': " + std::strerror(errno));
  }
}

void AtomicFileSink::Commit() {
  bool written = std::fflush(m_file) == 0;
#if !defined(_WIN32)
  // The rename must not land before the data does.
  written = written && fsync(fileno(m_file)) == 0;
#endif
  const int savedErrno = errno;
  const bool closed = std::fclose(m_file) == 0;
  m_file = nullptr;
  if (!written || !closed) {
    Fail("cannot write output '" + m_target.string() + "': " + std::strerror(written ? errno : savedErrno));
  }

  std::error_code error;
  const auto existing = std::filesystem::status(m_target, error);
  if (std::filesystem::exists(existing)) {
    std::filesystem::permissions(m_temporary, existing.permissions(), error);
  }
  std::filesystem::rename(m_temporary, m_target, error);
  if (error) Fail("cannot rename the finished output onto '" + m_target.string() + "': " + error.message());
  m_committed = true;
  ForgetTemporary();
}

}  // namespace qorcrypt
