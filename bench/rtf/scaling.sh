#!/usr/bin/env bash
# Reading time per MB of long tables and of many paragraphs, at 1, 5 and 20 MB: a reader that
# stays linear keeps the figure per MB about constant.
# Usage: bench/rtf/scaling.sh BUILD_DIR [RUNS]
set -euo pipefail
build=${1:?usage: scaling.sh BUILD_DIR [RUNS]}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-6s %6s %12s %12s %10s\n' kind MB "cpu ms" "cpu ms/MB" "peak MB"
for kind in table par; do
  for mb in 1 5 20; do
    body="$work/$kind-$mb.rtf"
    "$build/bin/rtf_gen_body" $((mb * 1048576)) "$kind" > "$body"
    out=$( { /usr/bin/time -f "peak %M" "$build/bin/rtf_bench_read" "$body" "$runs"; } 2>&1 )
    cpu=$(sed -n 's/^readInto cpu *median *\([0-9.]*\) ms.*/\1/p' <<<"$out")
    peak=$(sed -n 's/^peak \([0-9]*\)/\1/p' <<<"$out")
    printf '%-6s %6d %12.0f %12.0f %10.0f\n' "$kind" "$mb" "$cpu" "$(echo "$cpu / $mb" | bc -l)" "$(echo "$peak / 1024" | bc -l)"
  done
done
