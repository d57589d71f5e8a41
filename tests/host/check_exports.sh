#!/usr/bin/env bash
# The module's dynamic symbol table must hold exactly the names of the export
# list, and no unique (STB_GNU_UNIQUE) symbol that would keep the module from
# unloading. Usage: check_exports.sh MODULE EXPORT_LIST
set -euo pipefail
module=$1
export_list=$2

expected=$(grep -oE 'sCRYPT_[A-Za-z]+' "$export_list" | sort)
exported=$(nm -D --defined-only --format=posix "$module" | awk '{print $1}' | sort)
if [[ "$expected" != "$exported" ]]; then
  echo "exported symbols differ from $export_list:"
  diff <(echo "$expected") <(echo "$exported") || true
  exit 1
fi
if [[ $(echo "$exported" | wc -l) -ne 15 ]]; then
  echo "expected 15 entry points, found $(echo "$exported" | wc -l)"
  exit 1
fi
if readelf --dyn-syms --wide "$module" | grep -q UNIQUE; then
  echo "unique symbols would pin the module in memory:"
  readelf --dyn-syms --wide "$module" | grep UNIQUE
  exit 1
fi
enc=$(nm -D --defined-only --format=posix "$module" | awk '$1=="sCRYPT_EncryptSessionKey"{print $3}')
dec=$(nm -D --defined-only --format=posix "$module" | awk '$1=="sCRYPT_DecryptSessionKey"{print $3}')
if [[ -z "$enc" || "$enc" != "$dec" ]]; then
  echo "sCRYPT_EncryptSessionKey ($enc) and sCRYPT_DecryptSessionKey ($dec) must share one address"
  exit 1
fi
echo "exports OK: $(echo "$exported" | tr '\n' ' ')"
