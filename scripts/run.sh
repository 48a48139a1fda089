#!/usr/bin/env bash
# Builds what the welcome example needs in build/ (RelWithDebInfo: the
# program, the launcher and the page extension; no tests, no benchmarks) and
# starts it:
#
#   build/bin/halbrinlite use:<repo>/examples/welcome
#
# The example shows a skinned main form and runs until it is closed. With a
# display ($DISPLAY or $WAYLAND_DISPLAY) it returns when the user closes the
# form. Without one it runs the program on a virtual X server, saves a
# screenshot of the form to build/welcome.png after 3 seconds and stops the
# program with SIGTERM after 10 seconds (unless it ended sooner); the
# program ends with 0 then. Either way it then prints the program's exit
# code, the example's report and the project's log, and returns that exit
# code (0 is success). CMAKE_BUILD_PARALLEL_LEVEL limits the build's jobs.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build"
program="$build/bin/halbrinlite"
project="$root/examples/welcome"
screenshot="$build/welcome.png"
# Where the example writes (its getFolder(0x1A) is the XDG configuration
# folder) and where the program keeps the logs of every project.
report="${XDG_CONFIG_HOME:-$HOME/.config}/Zebrin/HalbrinLite/welcome/report.txt"
logs="${XDG_DATA_HOME:-$HOME/.local/share}/Zebrin/HalbrinLite/logs"
limit_seconds=10
# The picture is taken once the program had time to show its windows, or
# as it ends if it ends sooner.
shot_after_seconds=3

# Takes a picture of the whole screen of $DISPLAY; returns non-zero (after
# saying why) when no tool for it is there.
take_screenshot() {
  if command -v import >/dev/null 2>&1; then
    import -window root "$screenshot" && return 0
  fi
  if command -v xwd >/dev/null 2>&1 && convert -version 2>/dev/null | grep -q ImageMagick; then
    xwd -root -silent | convert xwd:- "$screenshot" && return 0
  fi
  echo "run.sh: no screenshot taken (neither ImageMagick's import nor xwd with convert works)" >&2
  return 1
}

# Runs inside the virtual X server: the program, the screenshot, the limit.
run_headless() {
  local started=$SECONDS
  local shot_taken=0
  local rc=0
  rm -f "$screenshot"
  "$program" "use:$project" &
  local pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    local elapsed=$((SECONDS - started))
    if ((shot_taken == 0 && elapsed >= shot_after_seconds)); then
      take_screenshot || true
      shot_taken=1
    fi
    if ((elapsed >= limit_seconds)); then
      echo "run.sh: stopping the program after ${limit_seconds} s (SIGTERM)"
      kill -TERM "$pid" 2>/dev/null || true
      local tries=0
      while kill -0 "$pid" 2>/dev/null && ((tries++ < 30)); do sleep 0.1; done
      if kill -0 "$pid" 2>/dev/null; then
        echo "run.sh: the program did not end after SIGTERM; killing it" >&2
        kill -KILL "$pid" 2>/dev/null || true
      fi
      break
    fi
    sleep 0.2
  done
  # The program's own exit code is the run's: 0 when it ended by itself or
  # when SIGTERM stopped it, as it should.
  wait "$pid" || rc=$?
  if ((shot_taken == 0)); then
    take_screenshot || true
  fi
  if [[ -f "$screenshot" ]]; then echo "run.sh: screenshot saved to $screenshot"; fi
  return "$rc"
}

if [[ "${1:-}" == "--headless-inside" ]]; then
  run_headless
  exit $?
fi

# Tells what the run left behind: the exit code, the report, the log.
report_run() {
  local rc=$1 marker=$2
  if ((rc == 0)); then
    echo "run.sh: the program ended with exit code 0 (success)"
  else
    echo "run.sh: the program ended with exit code $rc (failure)"
  fi
  if [[ -f "$report" && "$report" -nt "$marker" ]]; then
    echo "run.sh: the example's report is $report:"
    sed -e '/^[[:space:]]*$/d' -e 's/^/  /' "$report"
  else
    echo "run.sh: the example wrote no report ($report)"
  fi
  # The log is named after the project's id; the one this run wrote is the newest.
  local log
  log="$(find "$logs" -maxdepth 1 -name '*.log' -newer "$marker" -printf '%T@ %p\n' 2>/dev/null |
         sort -n | tail -n 1 | cut -d' ' -f2-)"
  if [[ -n "$log" ]]; then
    echo "run.sh: the project's log is $log"
  else
    echo "run.sh: the program wrote no log under $logs"
  fi
}

"$root/scripts/bootstrap.sh" --screenshot

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc 2>/dev/null || echo 2)}" \
  --target halbrinlite brallow halbrinlite-pages

marker="$(mktemp)"
trap 'rm -f "$marker"' EXIT
rc=0
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  "$program" "use:$project" || rc=$?
else
  echo "run.sh: no display, starting a virtual X server"
  export NO_AT_BRIDGE=1
  xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" bash "$root/scripts/run.sh" --headless-inside || rc=$?
fi
report_run "$rc" "$marker"
exit "$rc"
