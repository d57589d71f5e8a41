#!/usr/bin/env bash
# Windows check: cross-builds Qor_enc1.dll for 32-bit x86 and x86-64 with
# mingw-w64, inspects both PE images (export table, machine type, imports,
# cdecl), and runs the host conformance program and the unload check
# against the x86-64 DLL under wine. The 32-bit DLL is built and inspected
# only: this machine's kernel cannot execute 32-bit x86 code.
#
#   scripts/check-windows.sh
#
# Exit status 0 when every step passed (or, outside CI, when the cross tools
# are missing and the check is skipped with a warning); 1 otherwise. With
# CI=true missing tools are a failure: CI installs them first
# (.ci/install-windows-tools.sh).
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
presets=(mingw-i686 mingw-x86_64)

passed=()
failed=()
step_passed() { passed+=("$1"); echo "--- ok:   $1"; }
step_failed() { failed+=("$1"); echo "--- FAIL: $1"; }

summary() {
  echo
  echo "=== Windows check: ${#passed[@]} passed, ${#failed[@]} failed"
  local step
  for step in "${failed[@]}"; do echo "    failed: $step"; done
  if [ "${#failed[@]}" -eq 0 ]; then
    echo "    (the 32-bit DLL was built and inspected, not run: no 32-bit execution here)"
  fi
}

# --- Tools -------------------------------------------------------------------
missing=()
for tool in cmake ninja python3 \
    i686-w64-mingw32-gcc-posix i686-w64-mingw32-g++-posix i686-w64-mingw32-objdump \
    x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
for tool in "$wine64" "$wineserver"; do
  [ -x "$tool" ] || missing+=("$tool")
done
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "${CI:-}" = "true" ]; then
    echo "Windows check: FAIL: missing ${missing[*]} (CI must install them: .ci/install-windows-tools.sh)"
    exit 1
  fi
  echo "Windows check: SKIPPED (warning): missing ${missing[*]}"
  echo "  install them with: sudo .ci/install-windows-tools.sh"
  exit 0
fi

# --- Build -------------------------------------------------------------------
for preset in "${presets[@]}"; do
  log="build/$preset.log"
  mkdir -p build
  echo "=== build $preset (log: $log)"
  if cmake --preset "$preset" >"$log" 2>&1 && cmake --build --preset "$preset" >>"$log" 2>&1; then
    step_passed "build $preset"
  else
    tail -n 40 "$log"
    step_failed "build $preset"
  fi
done

# --- Static checks of the PE images ------------------------------------------
inspect() {
  local preset=$1 triple=$2 machine=$3
  local dll="build/$preset/src/Qor_enc1.dll"
  echo "=== inspect $dll"
  if [ ! -f "$dll" ]; then
    step_failed "inspect $preset: $dll was not built"
    return
  fi
  if python3 scripts/examine_windows_dll.py --objdump "$triple-objdump" --machine "$machine" \
      --header include/qor_enc1.h "$dll"; then
    step_passed "inspect $preset"
  else
    step_failed "inspect $preset"
  fi
}
inspect mingw-i686 i686-w64-mingw32 i386
inspect mingw-x86_64 x86_64-w64-mingw32 x86-64

# --- Run the x86-64 DLL under wine --------------------------------------------
# The portable host conformance program (every entry point, the fixed known
# answers), then the Windows-only check that unloading gives the heap back.
wine_programs=(tests/host/host_conformance.exe tests/windows/unload_release_check.exe)

run_under_wine() {
  local build="$root/build/mingw-x86_64"
  local dll="$build/src/Qor_enc1.dll"
  if [ ! -f "$dll" ]; then
    step_failed "wine run: $dll was not built"
    return
  fi

  # A prefix of our own under the build tree: nothing of the user's wine setup
  # is read or changed. Mono and Gecko are never wanted by a console program,
  # and asking for them would only slow down the prefix's creation.
  export WINEPREFIX="$build/wine-prefix" WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "=== creating the wine prefix $WINEPREFIX (first run only, under a minute)"
    if ! "$wine64" wineboot --init >"$build/wine-prefix.log" 2>&1; then
      tail -n 20 "$build/wine-prefix.log"
      step_failed "wine run: cannot create the prefix $WINEPREFIX"
      return
    fi
    "$wineserver" -w
  fi

  # Wine's Z: drive is the Unix root; the programs load the DLL by this path.
  local windows_dll="Z:${dll//\//\\}"
  local program status
  for program in "${wine_programs[@]}"; do
    local name
    name="$(basename "$program")"
    echo "=== run $name under wine against $dll"
    if [ ! -f "$build/$program" ]; then
      step_failed "$name under wine: $build/$program was not built"
      continue
    fi
    status=0
    "$wine64" "$build/$program" "$windows_dll" || status=$?
    if [ "$status" -eq 0 ]; then
      step_passed "$name under wine (x86-64)"
    else
      step_failed "$name under wine (x86-64), exit status $status"
    fi
  done
  # Our prefix's wineserver would linger for a few seconds; end it now so the
  # check leaves nothing running.
  "$wineserver" -k >/dev/null 2>&1 || true
}
run_under_wine

summary
[ "${#failed[@]}" -eq 0 ]
