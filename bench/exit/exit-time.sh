#!/usr/bin/env bash
# How long the way out takes, as the user sees it: from the key that asks to quit until the main
# window is off the screen, and until the process has ended (the copy at exit made meanwhile).
# Usage: exit-time.sh PROGRAM NOTEBOOK menu|closebox   (runs itself under xvfb-run with openbox)
set -u
if [ -z "${QB_EXIT_INNER:-}" ]; then
  exec env QB_EXIT_INNER=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
prog="$1"; book="$2"; how="$3"
work=$(mktemp -d)
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
openbox >/dev/null 2>&1 & wm=$!
sleep 1
kill -0 "$wm" 2>/dev/null || { echo "openbox did not start"; exit 1; }
"$prog" "$book" >/dev/null 2>&1 & app=$!
id=""
for _ in $(seq 100); do
  id=$(xdotool search --onlyvisible --name '^Quillbook$' 2>/dev/null | head -1)
  [ -n "$id" ] && break
  sleep 0.1
done
[ -n "$id" ] || { echo "the window never showed"; kill "$app" "$wm"; exit 1; }
sleep 2
xdotool windowactivate --sync "$id" 2>/dev/null
if [ "$how" = menu ]; then
  xdotool key alt+f; sleep 0.5
  xdotool key Up; sleep 0.3 # 退出 is the menu's last item
  t0=$(date +%s.%N); xdotool key Return
else
  t0=$(date +%s.%N); xdotool key alt+F4
fi
while xdotool search --onlyvisible --name '^Quillbook$' >/dev/null 2>&1; do sleep 0.02; done
gone=$(date +%s.%N)
wait "$app"
ended=$(date +%s.%N)
echo "$how: window gone after $(echo "$gone - $t0" | bc) s, process ended after $(echo "$ended - $t0" | bc) s," \
     "copies: $(ls "$XDG_DATA_HOME/Quillbook/backups" 2>/dev/null | wc -l)"
kill "$wm"
rm -rf "$work"
