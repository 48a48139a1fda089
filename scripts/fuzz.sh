#!/usr/bin/env bash
# Runs one fuzz target for a while, building the clang fuzz configuration in
# build-fuzz/ first when needed.
#
#   scripts/fuzz.sh <target> <seconds> [extra libFuzzer options]
#   scripts/fuzz.sh --list
#
# New inputs that add coverage go to build-fuzz/corpus/<target>/ (the seed
# corpus in fuzz/corpus/<target>/ is read, never written); a finding is
# written to build-fuzz/findings/<target>/ — copy it to fuzz/crashes/<target>/
# once it is fixed, so the regression run keeps it fixed.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
targets=(call_channel xml_document declarations variables record_set project_info command_line
  script_directives date_time conversions cabinet)

usage() {
  sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
  echo "targets: ${targets[*]}"
}

if [[ "${1:-}" == "--list" ]]; then
  printf '%s\n' "${targets[@]}"
  exit 0
fi
if (($# < 2)) || [[ "$1" == -* ]] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  usage >&2
  exit 2
fi
target="$1"
seconds="$2"
shift 2
if [[ " ${targets[*]} " != *" $target "* ]]; then
  echo "fuzz: unknown target '$target' (known: ${targets[*]})" >&2
  exit 2
fi

"$root/scripts/bootstrap.sh" --fuzz

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHALBRIN_FUZZ=ON \
    -DHALBRIN_TESTS=OFF \
    -DHALBRIN_BENCH=OFF
fi
cmake --build "$build" -j "${FUZZ_BUILD_JOBS:-3}" --target "fuzz_$target"

corpus="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$corpus" "$findings"

# The same isolation as the tests: nothing of the user's is read or written.
scratch="$(mktemp -d "${TMPDIR:-/tmp}/halbrin-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/data" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/runtime"
export NO_AT_BRIDGE=1 G_SLICE=always-malloc G_DEBUG=fatal-criticals
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

cd "$findings"
exec "$build/bin/fuzz/fuzz_$target" -max_total_time="$seconds" -jobs=1 -workers=1 -timeout=25 \
  -artifact_prefix="$findings/" "$@" "$corpus" "$root/fuzz/corpus/$target"
