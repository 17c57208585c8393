#!/usr/bin/env bash
# Converts a 1 MB RichEdit-style note body to plain text with rtfconv, unrtf and LibreOffice,
# times each as a whole process, and checks that our text equals LibreOffice's.
# Usage: bench/rtf/compare.sh BUILD_DIR [RUNS]
set -euo pipefail

build=${1:?usage: compare.sh BUILD_DIR [RUNS]}
runs=${2:-5}
bin="$build/bin"
for tool in rtfconv rtf_gen_body rtf_bench_read; do
  [ -x "$bin/$tool" ] || { echo "missing $bin/$tool: build targets rtfconv rtf_gen_body rtf_bench_read" >&2; exit 1; }
done

# The other converters are only for this comparison, not for building or running the program.
need=()
command -v unrtf >/dev/null || need+=(unrtf)
command -v soffice >/dev/null || need+=(libreoffice-writer-nogui)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen HOME="$work/home"
mkdir -p "$HOME" "$work/lo"
"$bin/rtf_gen_body" > "$work/body.rtf"
echo "body: $(stat -c %s "$work/body.rtf") bytes"

# Median wall time of a command over $runs runs, after one run to warm caches (and LibreOffice's profile).
median() {
  local times=() start end
  "$@" >/dev/null 2>&1
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

ours_ms=$(median "$bin/rtfconv" --to text "$work/body.rtf")
unrtf_ms=$(median unrtf --text "$work/body.rtf")
lo_ms=$(median soffice --headless --convert-to "txt:Text (encoded):UTF8" --outdir "$work/lo" "$work/body.rtf")

"$bin/rtfconv" --to text "$work/body.rtf" 2>/dev/null > "$work/ours.txt"
unrtf --text "$work/body.rtf" 2>/dev/null > "$work/unrtf.txt" || true
# Blank runs and LibreOffice's byte-order mark and bullet indent are layout, not text.
normalise() { sed '1s/^\xEF\xBB\xBF//' "$1" | tr -s ' \t\r\n' ' ' | sed 's/^ //; s/ $//'; }
normalise "$work/ours.txt" > "$work/ours.norm"
normalise "$work/lo/body.txt" > "$work/lo.norm"
normalise "$work/unrtf.txt" > "$work/unrtf.norm"

printf '%-12s %8s  %s\n' converter "wall ms" "text equals LibreOffice's"
printf '%-12s %8s  %s\n' rtfconv "$ours_ms" "$(cmp -s "$work/ours.norm" "$work/lo.norm" && echo yes || echo NO)"
printf '%-12s %8s  %s\n' unrtf "$unrtf_ms" "$(cmp -s "$work/unrtf.norm" "$work/lo.norm" && echo yes || echo no)"
printf '%-12s %8s\n' soffice "$lo_ms"
awk -v o="$ours_ms" -v u="$unrtf_ms" -v l="$lo_ms" 'BEGIN {
  printf "LibreOffice / rtfconv: %.1fx   rtfconv / unrtf: %.2fx\n", l / (o ? o : 1), o / (u ? u : 1) }'
"$bin/rtf_bench_read" "$work/body.rtf" 2>/dev/null
cmp -s "$work/ours.norm" "$work/lo.norm"
