#!/usr/bin/env bash
# Builds Quillbook if needed and starts it on its default notebook (or on the notebook given as
# the first argument). Packages are checked and CMake configured only when there is no build yet;
# after that a start only brings the program up to date.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
  scripts/deps.sh
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j"$(nproc)" --target quillbook qbf-jet-reader
exec build/bin/quillbook "$@"
