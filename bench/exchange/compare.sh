#!/bin/bash
# Whole-process exports of the 100,000-note benchmark notebook, round by round so that all of them
# see the same machine: quillbook-cli to HTML and to text, and two floors: sqlite3 writing every
# title and stored body into one file, and python3 writing each stored body unconverted into a file
# of its own (a folder per group, a temporary name renamed into place), which is the file-system
# work of an export without the conversion. Prints the median of each measure of each kind.
# Usage: compare.sh BUILD_DIR FOLDER [ROUNDS]   (FOLDER/store-100k.qbf is built when missing)
set -euo pipefail
build=${1:?usage: compare.sh BUILD_DIR FOLDER [ROUNDS]}
folder=${2:?usage: compare.sh BUILD_DIR FOLDER [ROUNDS]}
rounds=${3:-3}
cli=$build/bin/quillbook-cli
book=$folder/store-100k.qbf
[ -f "$book" ] || "$build/bin/qb-bench-export" "$folder"
log=$folder/times.txt
: > "$log"
for ((r = 1; r <= rounds; r++)); do
    rm -rf "$folder/html" "$folder/txt" "$folder/floor.txt" "$folder/files"
    /usr/bin/time -a -o "$log" -f "html %e %U %S %M" "$cli" export "$book" --format html --out "$folder/html" > /dev/null
    /usr/bin/time -a -o "$log" -f "txt %e %U %S %M" "$cli" export "$book" --format txt --out "$folder/txt" > /dev/null
    /usr/bin/time -a -o "$log" -f "floor %e %U %S %M" \
        sqlite3 -readonly "$book" "SELECT nNoteTitle, nNote FROM Notes ORDER BY nGroupID, ID" > "$folder/floor.txt"
    /usr/bin/time -a -o "$log" -f "files %e %U %S %M" python3 - "$book" "$folder/files" <<'PY'
import os, sqlite3, sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
for group, note, body in db.execute("SELECT nGroupID, ID, nNote FROM Notes ORDER BY nGroupID, ID"):
    folder = os.path.join(sys.argv[2], str(group))
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, str(note) + ".rtf")
    with open(path + ".~tmp", "w", encoding="utf-8") as f:
        f.write(body or "")
    os.rename(path + ".~tmp", path)
PY
done
for out in html txt floor.txt files; do
    echo "$out: $(find "$folder/$out" -type f | wc -l) files, $(du -sm "$folder/$out" | cut -f1) MB"
done
median() { grep "^$1 " "$log" | awk -v c="$2" '{print $c}' | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
printf '%-6s %8s %8s %8s %9s\n' kind wall_s user_s sys_s peak_MB
for kind in html txt floor files; do
    printf '%-6s %8s %8s %8s %9s\n' "$kind" "$(median $kind 2)" "$(median $kind 3)" "$(median $kind 4)" \
        "$(awk -v k="$(median $kind 5)" 'BEGIN {printf "%.1f", k / 1024}')"
done
