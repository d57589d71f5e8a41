#!/usr/bin/env bash
# Builds the module and qorcrypt (dev preset settings, in build/demo without
# the test suite, so nothing beyond cmake, ninja and g++ is needed) and runs
# an encrypt/decrypt round trip through the loaded module on a generated text,
# saying what it does at each step.
#
#   scripts/demo.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

build="$root/build/demo"
echo "==> configure: cmake --preset dev -B build/demo -DQOR_BUILD_TESTS=OFF"
mkdir -p "$build"
log="$build/demo-build.log"
quietly() { "$@" >"$log" 2>&1 || { cat "$log" >&2; echo "demo: failed: $*" >&2; exit 1; }; }
quietly cmake --preset dev -B "$build" -DQOR_BUILD_TESTS=OFF -DQOR_BUILD_TOOLS=ON
echo "==> build: the module and qorcrypt"
quietly cmake --build "$build" --target Qor_enc1 qorcrypt
qorcrypt="$build/tools/qorcrypt/qorcrypt"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "==> the module, as qorcrypt loads it"
"$qorcrypt" info | sed 's/^/    /'

{
  echo "A sample text for the round trip, made by scripts/demo.sh."
  for i in $(seq 1 20); do echo "line $i: the same plaintext block gives the same ciphertext block."; done
} >"$work/sample.txt"
plain_size=$(wc -c <"$work/sample.txt")

# The key comes from the environment, so it shows in no process list.
export QOR_DEMO_KEY="demo key, not a secret"
echo "==> encrypt $plain_size bytes (key from \$QOR_DEMO_KEY)"
"$qorcrypt" encrypt --key-env QOR_DEMO_KEY "$work/sample.txt" -o "$work/sample.enc"
cipher_size=$(wc -c <"$work/sample.enc")
echo "    ciphertext: $cipher_size bytes (the plaintext filled up to a multiple of 8)"
echo "    first 32 bytes: $(od -An -tx1 -N32 -v "$work/sample.enc" | xargs)"

echo "==> decrypt with --length $plain_size (the ciphertext does not record the length)"
"$qorcrypt" decrypt --key-env QOR_DEMO_KEY --length "$plain_size" "$work/sample.enc" -o "$work/sample.dec"
if cmp -s "$work/sample.txt" "$work/sample.dec"; then
  echo "    $(wc -c <"$work/sample.dec") bytes back, identical to the sample: round trip OK"
else
  echo "    the deciphered text differs from the sample: round trip FAILED" >&2
  exit 1
fi
