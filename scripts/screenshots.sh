#!/usr/bin/env bash
# Takes one picture of each of the six form pages of the real program, run on
# a virtual X server, into docs/screenshots/<page>.png.
#
#   scripts/screenshots.sh [path/to/tallomir]
#
# Needs xvfb-run (xvfb), xdotool and import (imagemagick).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
pages=(belegkopf lieferant kunde lieferung positionen belegfuss)

if [[ ${1:-} == --inside ]]; then
    program=$2
    out=$3
    # Start in an empty folder, so no settings file changes the lists.
    workdir=$(mktemp -d)
    trap 'rm -rf "$workdir"' EXIT
    (cd "$workdir" && exec "$program") &
    pid=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tallomir Ver\.' | head -n 1)
    sleep 1
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    for page in "${pages[@]}"; do
        sleep 0.5
        import -window "$window" "$out/$page.png"
        echo "$out/$page.png"
        # Ctrl+Tab brings the next page to the front.
        xdotool key --clearmodifiers ctrl+Tab
    done
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    exit 0
fi

program=${1:-$root/build/src/app/tallomir}
if [[ ! -x $program ]]; then
    echo "The program is not built: $program (build it, or name it as the first argument)" >&2
    exit 1
fi
for tool in xvfb-run xdotool import; do
    if ! command -v "$tool" >/dev/null; then
        echo "Missing $tool: apt-get install xvfb xdotool imagemagick" >&2
        exit 1
    fi
done
out=$root/docs/screenshots
mkdir -p "$out"
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
xvfb-run -a -s "-screen 0 1280x900x24" bash "$0" --inside "$program" "$out"
