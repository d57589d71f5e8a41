#!/usr/bin/env bash
# Builds and runs every test: the normal build, the same suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, the threading tests under
# ThreadSanitizer, and the Windows DLLs (cross-built, inspected, and the
# x86-64 one run under wine). Warnings are errors in every build.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
summary=()
passed=0
failed=0

# ctest's own closing line for a stage; its counts go into the total.
count_ctest() {
  local log=$1 line p f
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1 || true)
  if [[ -z "$line" ]]; then failed=$((failed + 1)); return; fi
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  p=$(( $(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line") - f ))
  passed=$((passed + p))
  failed=$((failed + f))
}

run_preset() {
  local preset=$1 log
  log=$(mktemp)
  echo "==> $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "==> $preset: test"
  local status=0
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log" || status=$?
  count_ctest "$log"
  rm -f "$log"
  summary+=("$preset: $([[ $status -eq 0 ]] && echo ok || echo FAILED)")
  return 0
}

run_preset dev
run_preset asan
run_preset tsan

echo "==> windows: cross-build, inspect, run under wine"
if scripts/check-windows.sh; then
  summary+=("windows: ok"); passed=$((passed + 1))
else
  summary+=("windows: FAILED"); failed=$((failed + 1))
fi

echo
printf '  %s\n' "${summary[@]}"
echo "check: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
