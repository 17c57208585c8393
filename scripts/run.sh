#!/usr/bin/env bash
# Installs what is missing, builds Quillbook and starts it on its default notebook
# (or on the notebook given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quillbook qbf-jet-reader
exec build/bin/quillbook "$@"
