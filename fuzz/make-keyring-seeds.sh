#!/usr/bin/env bash
# Rebuilds the keyring's seed corpus: stored tables behind the target's master password "fuzz"
# (whole ones with no, one and three units, and a few broken ones), enciphered with the openssl tool.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/corpus/fuzz_keyring"
mkdir -p "$out"
# The first 16 bytes of Keccak-256 of "fuzz": the cipher key of the target's master password.
key=0f1d7976610d50bc75eecb95ca8d18d3
marker="$(grep -o 'QByteArrayLiteral("[a-z0-9]*")' "$here/../Quendle/AppCommon/Keyring.cpp" | cut -d'"' -f2)"

# table NAME VERSION IV_HEX "unit ..." [CIPHER_OVERRIDE_HEX]
table() {
  local name="$1" version="$2" iv="$3" units="$4" cipher="${5:-}"
  local plain n=0
  plain="$(head -c 64 /dev/urandom | xxd -p | tr -d '\n')"
  for unit in $units; do
    plain+="$(printf '%s' "$unit" | head -c 1 | xxd -p)"
    plain+="$(printf '%063d' 0 | tr 0 "$(printf '%s' "$unit" | head -c 1)" | xxd -p | tr -d '\n')"
    n=$((n + 1))
  done
  plain+="$(printf '%s' "$marker" | xxd -p)"
  if [ -z "$cipher" ]; then
    cipher="$(echo "$plain" | xxd -r -p | openssl enc -aes-128-cbc -nopad -K "$key" -iv "$iv" | xxd -p | tr -d '\n')"
  fi
  {
    printf '%08x' "$version"
    printf '%08x' "$n"
    for unit in $units; do
      local utf16
      utf16="$(printf '%s' "$unit" | iconv -f UTF-8 -t UTF-16BE | xxd -p | tr -d '\n')"
      printf '%08x%s' $((${#utf16} / 2)) "$utf16"
    done
    printf '%08x%s' $((${#iv} / 2)) "$iv"
    printf '%08x%s' $((${#cipher} / 2)) "$cipher"
  } | xxd -r -p >"$out/$name"
}

iv=000102030405060708090a0b0c0d0e0f
table empty-store 1 "$iv" ""
table one-unit 1 "$iv" "stage"
table three-units 1 "$iv" "Foyer gallery stüdio"
table version-2 2 "$iv" "stage"
table short-vector 1 0001020304050607 "stage" "$(head -c 144 /dev/urandom | xxd -p | tr -d '\n')"
table wrong-password 1 "$iv" "stage" "$(head -c 144 /dev/urandom | xxd -p | tr -d '\n')"
head -c 20 "$out/one-unit" >"$out/cut-short"
