#!/usr/bin/env bash
# The tray icon under a real X server with a window manager and a notification area (trayer):
# minimised to the tray, a left click on the icon, and both items of its right-click menu, must
# bring the window back or end the program normally, never end it with a crash. A second start
# brings the window forward and ends quietly.
# Usage: tst_realtray.sh PROGRAM   (runs itself again under xvfb-run when there is no display)
set -euo pipefail
program="$(realpath "$1")"
for tool in xvfb-run openbox trayer xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/deps.sh installs it)"; exit 77; }
done
if [ -z "${QB_REALTRAY_INNER:-}" ]; then
  exec env QB_REALTRAY_INNER=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

work="$(mktemp -d)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
# A runtime folder of its own: the instance lock lives there, and another Quillbook running on
# this machine must not make this one stop at "already open".
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/Quillbook"
printf '[Config]\nMinToTray=1\n' > "$XDG_CONFIG_HOME/Quillbook/Quillbook.ini"

openbox >/dev/null 2>&1 & pids+=($!)
sleep 1
trayer --edge top --align right --widthtype request --height 32 --SetDockType true >/dev/null 2>&1 & pids+=($!)
sleep 1

fail() {
  echo "FAIL: $*"
  for id in $(xdotool search --onlyvisible --name ".*" 2>/dev/null); do echo "  shown: [$(xdotool getwindowname "$id")] $(xdotool getwindowgeometry --shell "$id" | tr "\n" " ")"; done
  exit 1
}
# Shown windows called Quillbook: the main window, and the tray icon's own small window inside
# the notification area.
quillbook_window() { # quillbook_window big|small: prints the first one's id and geometry
  local id
  for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = Quillbook ] || continue
    eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)" || continue
    if { [ "$1" = big ] && [ "$WIDTH" -gt 100 ]; } || { [ "$1" = small ] && [ "$WIDTH" -le 64 ]; }; then
      echo "$id $X $Y $WIDTH $HEIGHT"
      return 0
    fi
  done
  return 1
}
window_shown() { quillbook_window big >/dev/null; }
window_gone() { ! quillbook_window big >/dev/null; }
icon_shown() { quillbook_window small >/dev/null; }
wait_for() { # wait_for DESCRIPTION COMMAND...: up to 10 s
  local what="$1"; shift
  for _ in $(seq 50); do "$@" && return 0; sleep 0.2; done
  fail "$what"
}
to_tray() {
  local id _
  read -r id _ < <(quillbook_window big)
  xdotool windowminimize "$id"
  wait_for "the window hides" window_gone
  wait_for "the icon shows in the tray" icon_shown
  sleep 0.5
}
click_icon() { # click_icon BUTTON
  local id x y w h
  read -r id x y w h < <(quillbook_window small)
  xdotool mousemove "$((x + w / 2))" "$((y + h / 2))" click "$1"
}
alive() { kill -0 "$app" 2>/dev/null || fail "the program ended: $1"; }

"$program" >"$work/out.log" 2>&1 & app=$!; pids+=($app)
wait_for "the window shows" window_shown
# The first activation and the tray's own start-up settle first.
sleep 2

to_tray
click_icon 1
wait_for "a left click brings the window back" window_shown
alive "left click"

to_tray
click_icon 3
sleep 0.5
xdotool key Down Return
wait_for "显示窗口 brings the window back" window_shown
alive "显示窗口"

# A second start calls the running window forward, out of the tray or from behind, and ends at
# once without a window of its own (a message box would hold it until the timeout).
window_active() {
  local id _
  read -r id _ < <(quillbook_window big) && [ "$(xdotool getactivewindow 2>/dev/null)" = "$id" ]
}
second_start() { # second_start WHAT
  local status=0
  timeout 10 "$program" >"$work/second.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || { cat "$work/second.log"; fail "a second start $1 ended with status $status"; }
  wait_for "a second start $1 brings the window forward" window_active
  alive "second start $1"
}
to_tray
second_start "with the window in the tray"
other_in_front() { ! window_active; }
if command -v xmessage >/dev/null; then
  xmessage -geometry 1000x700+0+0 "in front" & pids+=($!)
  wait_for "another window comes in front" other_in_front
  second_start "with another window in front"
fi

to_tray
click_icon 3
sleep 0.5
xdotool key Up Return
status=0
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.2; done
wait "$app" || status=$?
[ "$status" -eq 0 ] || { cat "$work/out.log"; fail "退出 ended the program with status $status"; }
echo "PASS"
