#!/bin/bash
# Whole-process imports of two hostile-sized files with quillbook-cli: a 60 MB Chinese text file
# and a page of 32,000 nested <div>s (352 KB). Prints wall time, CPU time and peak memory of each.
# Usage: import.sh BUILD_DIR FOLDER   (BUILD_DIR/bin holds quillbook-cli and qb-make-notebook)
set -euo pipefail
build=${1:?usage: import.sh BUILD_DIR FOLDER}
folder=${2:?usage: import.sh BUILD_DIR FOLDER}
mkdir -p "$folder"
book=$folder/import.qbf
if [ ! -f "$folder/60mb.txt" ]; then
    python3 - "$folder/60mb.txt" <<'PY'
import sys
line = ("我们在这里记下每天的事情，" * 4 + "abc 123\n").encode("utf-8")
with open(sys.argv[1], "wb") as f:
    f.write(line * (60 * 1024 * 1024 // len(line)))
PY
    python3 -c 'import sys; n=32000; open(sys.argv[1], "w").write("<div>x" * n + "</div>" * n)' "$folder/nested.html"
fi
for input in 60mb.txt nested.html; do
    rm -f "$book"
    "$build/bin/qb-make-notebook" "$book" 1000 10 > /dev/null
    /usr/bin/time -f "$input: %e s wall, %U s user, %S s system, %M KB peak" \
        env QT_QPA_PLATFORM=offscreen timeout 300 "$build/bin/quillbook-cli" import "$book" 1 "$folder/$input" || true
done
