#!/usr/bin/env bash
# Side by side under one X server: start to "document complete" and resident
# memory of a one-page project run by the program against a bare WebKitGTK
# program showing the same page at the same size (20 alternating runs each,
# medians), then the page -> client call against a socket pair round trip of
# the same run.
#
#   bench/web/compare.sh [BUILD_DIR] [-- extra --program NAME MARKER COMMAND ...]
#
# BUILD_DIR (default build/) holds bin/halbrinlite, bench/bench_web,
# bench/bench_bare_webview and bench/bench_compare_driver. In COMMAND, {page} is the page's file URI
# and {marker} the program's marker file.
set -euo pipefail

if [[ -z "${HALBRIN_COMPARE_DISPLAY:-}" ]]; then
  exec xvfb-run -a env HALBRIN_COMPARE_DISPLAY=1 "$0" "$@"
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build"
if [[ $# -gt 0 && "$1" != "--" ]]; then build="$(cd "$1" && pwd)"; shift; fi
[[ $# -gt 0 && "$1" == "--" ]] && shift
bench="$build/bench"
runs="${HALBRIN_COMPARE_RUNS:-20}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/halbrin-compare.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/data" "$scratch/runtime" "$scratch/markers" "$scratch/project/pages" \
  "$scratch/project/scripts"
chmod 700 "$scratch/runtime"
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/runtime"
export NO_AT_BRIDGE=1

# The page lies in the project's folder, so the program's view grants it
# window.external as a project's page gets it.
cat > "$scratch/project/pages/index.html" <<'HTML'
<!DOCTYPE html><html><head><meta charset="utf-8"><title>Start</title></head>
<body><h1>Start</h1><p>One page, no scripts.</p></body></html>
HTML
page="file://$scratch/project/pages/index.html"

# The one-page project: a form of the bare window's size filled by a web view
# of the page; at "documentcomplete" it writes its marker with the files object.
marker="$scratch/markers/program"
cat > "$scratch/project/project.info" <<'INFO'
product=Halbrin Lite
version=1.0
name=Browser start
encoding=utf-8
INFO
cat > "$scratch/project/scripts/init.js" <<'JS'
function main(project) {
  client.exec('<control type="form" id="Main" Caption="Browser start" ClientWidth="800" ClientHeight="600">' +
              '<control type="webbrowser" id="Browser" Align="alClient" Visible="true" url_="pages/index.html">' +
              '<events><ondocumentcomplete xml="loaded"/></events></control></control>');
  client.forms.item('Main').exec('show');
  return 0;
}
JS
cat > "$scratch/project/scripts/actions.js" <<JS
function loaded() { client.files.save('loaded\\n', '$marker'); }
JS

# Extra programs' commands get the same page and their own marker.
extra=()
while [[ $# -gt 0 ]]; do
  [[ "$1" == "--program" && $# -ge 4 ]] || { echo "compare.sh: expected --program NAME MARKER COMMAND" >&2; exit 2; }
  extra+=(--program "$2" "$3" "${4//\{page\}/$page}")
  shift 4
done

echo "== $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== start to document complete, resident memory ($runs runs each, alternating)"
"$bench/bench_compare_driver" --runs "$runs" \
  --program bare "$scratch/markers/bare" "'$bench/bench_bare_webview' --size 800x600 '$page' {marker}" \
  --program halbrinlite "$marker" "'$build/bin/halbrinlite' 'use:$scratch/project'" \
  "${extra[@]}"

echo "== page -> client call against a socket pair round trip"
"$bench/bench_web" --benchmark_filter='BM_SocketPairRoundTrip|BM_PageCallsClient/' \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true | tee "$scratch/calls.txt"
# Medians: the call's us_per_call counter against the round trip's time.
awk '
  function micros(value, unit) { return unit == "ns" ? value / 1000 : unit == "ms" ? value * 1000 : value }
  /^BM_PageCallsClient.*_median/ {
    for (i = 1; i <= NF; ++i) if ($i ~ /^us_per_call=/) { split($i, kv, "="); call = kv[2] }
  }
  /^BM_SocketPairRoundTrip_median/ { trip = micros($2, $3) }
  END { if (call > 0 && trip > 0) printf "page -> client call %.2f us, socket pair round trip %.2f us, ratio %.2f\n", call, trip, call / trip }
' "$scratch/calls.txt"
echo "== load $(cut -d' ' -f1-3 /proc/loadavg)"
