#!/usr/bin/env bash
# scripts/run.sh in a copy of the tree with cmake, the package check and the program replaced by
# recorders: it configures only while there is no build, and always brings the program up to date.
set -euo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/tree/scripts" "$work/bin"
cp "$source_dir/scripts/run.sh" "$work/tree/scripts/run.sh"
log="$work/log"
cat > "$work/tree/scripts/deps.sh" <<SH
#!/usr/bin/env bash
echo deps >> "$log"
SH
cat > "$work/bin/cmake" <<SH
#!/usr/bin/env bash
echo "cmake \$*" >> "$log"
if [ "\$1" = "-S" ]; then mkdir -p build/bin; touch build/CMakeCache.txt; fi
if [ "\$1" = "--build" ]; then printf '#!/usr/bin/env bash\necho "started \$*" >> "$log"\n' > build/bin/quillbook; chmod +x build/bin/quillbook; fi
SH
chmod +x "$work/tree/scripts/deps.sh" "$work/bin/cmake"

run() { : > "$log"; PATH="$work/bin:$PATH" "$work/tree/scripts/run.sh" "$@"; }
expect() { # expect NAME PATTERN: the log of the last run matches the pattern
  if ! grep -Eq "$2" "$log"; then echo "FAIL: $1"; cat "$log"; exit 1; fi
}
refuse() {
  if grep -Eq "$2" "$log"; then echo "FAIL: $1"; cat "$log"; exit 1; fi
}

run first.qbf
expect "first start checks the packages" '^deps$'
expect "first start configures" '^cmake -S '
expect "first start builds" '^cmake --build '

run second.qbf
refuse "a built tree is not checked again" '^deps$'
refuse "a built tree is not configured again" '^cmake -S '
expect "a built tree is brought up to date" '^cmake --build '
expect "the program starts on the notebook given" '^started second.qbf$'
echo "PASS"
