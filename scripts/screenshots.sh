#!/usr/bin/env bash
# Takes the pictures of the README and the help page from the running program on the virtual
# meter, under a virtual X display: scripts/screenshots.sh [OUTPUT_FOLDER] (default docs/).
# Needs xvfb, xdotool and imagemagick (apt-get install xvfb xdotool imagemagick) and a build.
# RECORD_SECONDS (default 120) is how long the real-time chart records before its picture.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
mkdir -p "$out"
program=$PWD/build/q7320
[ -x "$program" ] || { echo "build first (scripts/build.sh)" >&2; exit 1; }
for tool in Xvfb xdotool import convert; do
    command -v $tool >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
display=${SCREENSHOT_DISPLAY:-:93}
export DISPLAY=$display
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
sleep 1

# A user of our own, in English, so the pictures do not depend on whoever runs this.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
mkdir -p "$HOME/Documents"

# The top-level window of that title (the last one mapped).
window() { xdotool search --onlyvisible --name "^$1\$" | tail -1; }
main=""
focus() { xdotool windowfocus "${1:-$main}"; sleep 0.3; }
key() { xdotool key "$@"; sleep 0.6; }
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.8; }
shot_screen() { import -window root "$out/$1"; }
shot_window() { import -window "$1" "$out/$2"; }
# A window without a title: the newest top-level window that is not the main window.
newest() {
    xwininfo -root -children | awk '/"/ && !/1x1\+|3x3\+/ {print $1}' |
        grep -v "^$(printf '0x%x' "$main")\$" | head -1
}

start() {
    (cd "$work" && exec "$program" --meter virtual) >>"$work/q7320.log" 2>&1 &
    app=$!
    sleep 4
    main=$(window Q7320)
}
stop() {
    kill "$app"
    wait "$app" 2>/dev/null || true
    app=""
}

# First run: a table written by the command line, opened as a single file, in a list window of
# its own. The picture is cut to what changed in the window area once the front panel and the
# real-time chart are closed.
start
"$program" download --meter virtual -o "$work/logger.732" >/dev/null 2>&1
"$program" export "$work/logger.732" --set 1 -o "$work/set1.txt"
focus; click 1085 97          # the real-time chart's close box (it opens at a fixed place)
click 150 115; key ctrl+F4    # the front panel
import -window root -crop 1280x690+0+90 +repage "$work/before.png"
focus; key ctrl+o
choice=$(window "Open File")
focus "$choice"; key Tab; key space
sleep 1
files=$(newest)
focus "$files"; xdotool type --delay 20 "$work/set1.txt"; key Return
sleep 2
import -window root -crop 1280x690+0+90 +repage "$work/after.png"
box=$(convert "$work/before.png" "$work/after.png" -compose difference -composite -fuzz 2% \
      -trim -format '%wx%h%O' info:)
convert "$work/after.png" -crop "$box" +repage "$out/list.png"
stop

# Second run: everything else, in the order a user meets it.
start

# The front panel, as it sits at the left of the main window.
import -window root -crop 292x696+0+86 +repage "$out/panel.png"

# Real Time > Run (F5): the setup dialog, then a recording at one sample a second.
focus; key F5
setup=$(window "Real-Time Setup")
shot_window "$setup" realtime-setup.png
focus "$setup"; key Tab; key Tab; key Up; key Return
# Y Axis: ranges that show the room's small changes.
focus; click 778 124
scale=$(newest)
focus "$scale"
for value in 500 900 0 80; do key ctrl+a; xdotool type "$value"; key Tab; done
key Return
sleep "${RECORD_SECONDS:-120}"
shot_screen main.png
focus; key shift+F5

# Data Logger > Load: the download, the data sets list and data set 4 charted.
focus; key alt+d; key l
sleep 6
click 60 222
sleep 1
shot_screen datalogger.png

# The chart's Y Axis dialog, from the graph window's button.
click 962 124
yaxis=$(newest)
shot_window "$yaxis" yaxis.png
focus "$yaxis"; key Escape

# A text annotation: the T tool, then a click on the chart.
focus; click 707 124; click 900 300
anno=$(newest)
shot_window "$anno" annotation.png
focus "$anno"; key Escape

# File > Open: the choice between a collection and a single file.
focus; key ctrl+o
choice=$(window "Open File")
shot_window "$choice" open-choice.png
focus "$choice"; key Escape

# Data Logger > Setup: the meter's configuration, read about a second after it opens.
focus; key alt+d; key s
sleep 3
shot_window "$(window Setup)" setup.png

# Help > About.
focus; key alt+h; key a
shot_window "$(newest)" about.png

echo "pictures in $out:"
ls "$out"
