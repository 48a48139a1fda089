#!/usr/bin/env bash
# The document search beside grep, as whole processes, printed as one table:
#
#   bench/docindex/run.sh [ROOT] [BUILD_DIR]     (defaults /usr/share/doc, build-bench)
#
# Cold runs drop the page cache first when that is permitted (else they are
# marked "warm only"). The index cache lives in a private XDG_CACHE_HOME.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="${1:-/usr/share/doc}"
build="${2:-$here/../../build-bench}"
bin="$build/bench/docindex_bench"
[[ -x "$bin" ]] || { echo "no $bin (cmake -DHALBRIN_BENCH=ON, target docindex_bench)" >&2; exit 2; }

scratch="$(mktemp -d "${TMPDIR:-/tmp}/docindex-bench.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
export XDG_CACHE_HOME="$scratch/cache"

cold="cold"
drop() { sync; echo 3 2>/dev/null > /proc/sys/vm/drop_caches || cold="warm only"; }
drop
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", (b - a) * 1000 }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }

queries=("timezone" "segmentation fault" "xyzzy")
walk="$("$bin" walk "$root")"
files="$(field files "$walk")"
# The warm walk is the floor of a warm indexed search; the process start (the
# program loading its libraries, no work) is part of every whole-process figure.
walk_warm="$("$bin" walk "$root")"
t0="$(now)"; "$bin" >/dev/null 2>&1; t1="$(now)"
start_ms="$(elapsed "$t0" "$t1")"

printf 'root %s: %s files, page cache: %s\n' "$root" "$files" "$cold"
printf 'bare walk: %s ms first, %s ms warm; process start: %s ms\n' "$(field ms "$walk")" "$(field ms "$walk_warm")" "$start_ms"

# Cold first searches: grep and a plain scan (no cache yet).
declare -A grep_cold grep_warm search_cold grep_count search_count stall_plain
for q in "${queries[@]}"; do
  drop
  t0="$(now)"; grep -r -i -F -l -- "$q" "$root" 2>/dev/null | sort > "$scratch/grep.txt"; t1="$(now)"
  grep_cold[$q]="$(elapsed "$t0" "$t1")"
  grep_count[$q]="$(wc -l < "$scratch/grep.txt")"
  cp "$scratch/grep.txt" "$scratch/grep-$q.txt"
  drop
  t0="$(now)"; out="$("$bin" search "$root" "$q" --no-cache --names "$scratch/search.txt")"; t1="$(now)"
  search_cold[$q]="$(elapsed "$t0" "$t1")"
  search_count[$q]="$(field results "$out")"
  stall_plain[$q]="$(field stall_ms "$out")"
  sort "$scratch/search.txt" > "$scratch/search-$q.txt"
done

t0="$(now)"; build_out="$("$bin" build "$root")"; t1="$(now)"
build_ms="$(elapsed "$t0" "$t1")"
build_mb="$(awk -v b="$(field bytes "$build_out")" 'BEGIN { printf "%.1f", b / 1048576 }')"

declare -A search_warm search_progress stall_warm stall_progress
for q in "${queries[@]}"; do
  grep -r -i -F -l -- "$q" "$root" >/dev/null 2>&1
  t0="$(now)"; grep -r -i -F -l -- "$q" "$root" >/dev/null 2>&1; t1="$(now)"
  grep_warm[$q]="$(elapsed "$t0" "$t1")"
  "$bin" search "$root" "$q" >/dev/null
  t0="$(now)"; out="$("$bin" search "$root" "$q")"; t1="$(now)"
  search_warm[$q]="$(elapsed "$t0" "$t1")"
  stall_warm[$q]="$(field stall_ms "$out")"
  t0="$(now)"; out="$("$bin" search "$root" "$q" --progress)"; t1="$(now)"
  search_progress[$q]="$(elapsed "$t0" "$t1")"
  stall_progress[$q]="$(field stall_ms "$out")"
done

printf '\n%-20s %9s %9s %9s %9s %11s %9s %9s %11s\n' query grep_cold scan_cold grep_warm idx_warm idx_progress grep_n found_n max_stall
for q in "${queries[@]}"; do
  stall="$(printf '%s\n' "${stall_plain[$q]}" "${stall_warm[$q]}" "${stall_progress[$q]}" | sort -g | tail -1)"
  printf '%-20s %7sms %7sms %7sms %7sms %9sms %9s %9s %9sms\n' "\"$q\"" "${grep_cold[$q]}" "${search_cold[$q]}" \
    "${grep_warm[$q]}" "${search_warm[$q]}" "${search_progress[$q]}" "${grep_count[$q]}" "${search_count[$q]}" "$stall"
done
printf '\nindex build: %s ms, %s MB\n' "$build_ms" "$build_mb"

echo
echo "documents where the result differs from grep's (< grep only, > search only):"
for q in "${queries[@]}"; do
  d="$(diff "$scratch/grep-$q.txt" "$scratch/search-$q.txt" | grep '^[<>]')"
  [[ -n "$d" ]] && { echo "\"$q\":"; echo "$d"; }
done
exit 0
