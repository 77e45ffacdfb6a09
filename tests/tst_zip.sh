#!/usr/bin/env bash
# The Windows ZIP as a user meets it: unzipped into C:\users\Zażółć\Mój dziennik of a fresh Wine,
# with nothing but what the ZIP holds, Zorvena.exe starts on a virtual X server and shows its main
# window; a note typed and saved with "Zapisz" lands in wydarzenia.json beside Zorvena.exe.
# Usage: tests/tst_zip.sh ZIP [SCREENSHOT.png]   (scripts/windows.sh --test runs it)
set -euo pipefail
zip=$(realpath "$1")
shot=${2:+$(realpath -m "$2")}
cd "$(dirname "$0")/.."
source scripts/xvfb.sh

work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_QPA_PLATFORM QT_PLUGIN_PATH
xvfb=
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
start_xvfb :96 1024x768x24
wineboot --init >/dev/null 2>&1

passed=0
failed=0
check() { # check DESCRIPTION COMMAND...
    if "${@:2}"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1" >&2
    fi
}

folder="$WINEPREFIX/drive_c/users/Zażółć/Mój dziennik"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
notes="$folder/Zorvena/wydarzenia.json"
started=$(date +%Y/%m/%d)
wine 'C:\users\Zażółć\Mój dziennik\Zorvena\Zorvena.exe' >/dev/null 2>&1 &
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Zorvena 2.0$' | head -n 1 || true)
check "the main window shows" test -n "$window"
if [ -n "$window" ]; then
    sleep 1.5 # past the first clock tick
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The editor fills the right half; "Zapisz" sits at its foot, above the status bar.
    xdotool mousemove $((X + WIDTH * 3 / 4)) $((Y + HEIGHT / 2)) click 1
    xdotool type --delay 20 'Notatka z Wine'
    xdotool mousemove $((X + WIDTH * 3 / 4)) $((Y + HEIGHT - 60)) click 1
    for _ in $(seq 50); do [ -f "$notes" ] && break; sleep 0.1; done
    [ -z "$shot" ] || import -window root "$shot"
    # Under the day the program started on, which may be yesterday by now.
    check "the note lands beside Zorvena.exe" grep -qxE \
        "\\{\"($started|$(date +%Y/%m/%d))\":\"Notatka z Wine\"\\}" "$notes"
    check "nothing else is written there" \
        test "$(ls "$folder/Zorvena" | LC_ALL=C sort | tr '\n' ' ')" = \
        "Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Zorvena.exe libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll platforms styles wydarzenia.json "
fi
echo "tst_zip: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
