// A minimal test harness for the host conformance program, which must also
// be cross-built for Windows and run under wine where GoogleTest is not
// available. Cases register themselves; CHECK records a failure and goes on.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace qor::check {

struct Case {
  const char* name;
  std::function<void()> body;
};

inline std::vector<Case>& Registry() {
  static std::vector<Case> cases;
  return cases;
}

struct Registrar {
  Registrar(const char* name, std::function<void()> body) { Registry().push_back({name, std::move(body)}); }
};

inline int& FailuresInCase() {
  static int failures = 0;
  return failures;
}

// Names the table row being checked, like SCOPED_TRACE.
inline std::string& Trace() {
  static std::string trace;
  return trace;
}

inline void Fail(const char* file, int line, const char* expression) {
  ++FailuresInCase();
  std::fprintf(stderr, "%s:%d: check failed: %s%s%s\n", file, line, expression,
               Trace().empty() ? "" : "  [", Trace().empty() ? "" : (Trace() + "]").c_str());
}

// Runs every case; prints the closing line "N passed, N failed".
inline int RunAll() {
  int passed = 0;
  int failed = 0;
  for (const Case& c : Registry()) {
    FailuresInCase() = 0;
    Trace().clear();
    c.body();
    std::printf("[%s] %s\n", FailuresInCase() == 0 ? "  OK  " : " FAIL ", c.name);
    (FailuresInCase() == 0 ? passed : failed)++;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

}  // namespace qor::check

#define QOR_CHECK_CAT2(a, b) a##b
#define QOR_CHECK_CAT(a, b) QOR_CHECK_CAT2(a, b)
#define TEST_CASE(name)                                                              \
  static void name();                                                                \
  static const ::qor::check::Registrar QOR_CHECK_CAT(registrar_, name)(#name, name); \
  static void name()
#define CHECK(expression) \
  ((expression) ? (void)0 : ::qor::check::Fail(__FILE__, __LINE__, #expression))
