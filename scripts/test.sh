#!/usr/bin/env bash
# Builds the sanitizer configuration in build-test/ and runs every test:
# the display-free ones plainly, the display ones (ctest label "display")
# under a virtual X server. Exits non-zero when anything fails.
#
#   scripts/test.sh [extra ctest arguments, e.g. -R Variant]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-test"
jobs="$(nproc 2>/dev/null || echo 2)"

"$root/scripts/bootstrap.sh"

cmake -S "$root" -B "$build" \
  -DCMAKE_BUILD_TYPE=Debug \
  -DHALBRIN_SANITIZE=ON \
  -DHALBRIN_TESTS=ON \
  -DHALBRIN_BENCH=OFF
cmake --build "$build" -j "$jobs"

# Tests never see the user's own configuration: every run gets fresh folders.
scratch="$(mktemp -d "${TMPDIR:-/tmp}/halbrin-test.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/data" "$scratch/runtime"
chmod 700 "$scratch/runtime"  # GLib rejects a runtime folder others can read
export XDG_CONFIG_HOME="$scratch/config"
export XDG_DATA_HOME="$scratch/data"
export XDG_RUNTIME_DIR="$scratch/runtime"

# Without a session bus the accessibility bridge only complains and leaks its
# connection attempt; nothing here needs it.
export NO_AT_BRIDGE=1
# GLib's slice allocator hides blocks from AddressSanitizer; plain malloc lets
# it see every GLib allocation. A critical warning means a misused GLib/GTK
# call, which should fail the test instead of scrolling by.
export G_SLICE=always-malloc
export G_DEBUG=fatal-criticals
# Leak detection stays on for both runs: with the bridge off, GTK's start-up
# leaves only reachable memory, which LeakSanitizer does not report, so a leak
# it does report is ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1}"
# fontconfig keeps its patterns' element arrays as offsets, not pointers, so
# LeakSanitizer takes the font caches pango holds for leaks once any text is
# laid out; only blocks allocated inside fontconfig are suppressed.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# Each case runs in its own process (gtest_discover_tests), so they can run
# side by side; a hung case is stopped by the time-out instead of stalling CI.
ctest_args=(--test-dir "$build" --output-on-failure --no-tests=error --timeout 300 -j "$jobs")

summary=()
status=0

run_ctest() {
  local name="$1"
  shift
  local log="$scratch/ctest-$name.log"
  local rc=0
  "$@" 2>&1 | tee "$log" || rc=$?
  # rc is the exit status of the pipeline's first command thanks to pipefail.
  local line
  line="$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1 || true)"
  summary+=("$name: ${line:-no ctest summary (exit code $rc)}")
  if ((rc != 0)); then status=1; fi
}

echo "== unit tests (no display)"
run_ctest unit ctest "${ctest_args[@]}" -LE display "$@"

echo "== display tests (xvfb-run)"
run_ctest display xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  ctest "${ctest_args[@]}" -L display "$@"

echo "== summary"
for line in "${summary[@]}"; do echo "$line"; done
if ((status != 0)); then
  echo "test.sh: FAILED" >&2
else
  echo "test.sh: all tests passed"
fi
exit "$status"
