#!/usr/bin/env bash
# Runs tramox's end-to-end scenarios under Wine in a virtual X display.
#
#   e2e/run_e2e.sh <windows build folder> [e2e folder]
#
# The build folder holds tramox.exe, e2e_driver.exe and e2e_font_probe.dll (the x86_64 build:
# Wine here cannot run 32-bit programs). The e2e folder (default: build/e2e beside this script's
# repository) receives the Wine prefix (kept between runs), fresh work folders and window.png,
# a screenshot of the main window. Exits non-zero when a check fails or a step times out.
set -u

STEP_TIMEOUT=120
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# The Windows form of an absolute Unix path: Wine shows / as drive Z:.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# Inside the X session: run the scenarios one after the other.
run_inside_display() {
    local build=$1 e2e=$2
    export WINEPREFIX="$e2e/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [[ ! -d "$WINEPREFIX" ]]; then
        echo "e2e: creating the Wine prefix"
        timeout "$STEP_TIMEOUT" "$WINE" wineboot -i >/dev/null 2>&1 || {
            echo "e2e: wineboot failed"
            return 1
        }
    fi
    local failed=0
    run_window_scenario "$build" "$e2e" || failed=1
    run_platform_scenario "$build" "$e2e" || failed=1
    run_settings_scenario "$build" "$e2e" || failed=1
    run_copy_scenario "$build" "$e2e" || failed=1
    timeout "$STEP_TIMEOUT" "$WINESERVER" -k 2>/dev/null
    if ((failed)); then echo "e2e: FAILED"; else echo "e2e: every scenario passed"; fi
    return $failed
}

fresh_folder() {
    rm -rf "$1" && mkdir -p "$1"
}

# The driver holds the window open until the screenshot is taken.
run_window_scenario() {
    local build=$1 e2e=$2 work="$2/work-window"
    fresh_folder "$work"
    rm -f "$e2e/window.ready" "$e2e/screenshot.done" "$e2e/window.png"
    echo "e2e: scenario window"
    timeout "$STEP_TIMEOUT" "$WINE" "$build/e2e_driver.exe" window \
        "$(windows_path "$build/tramox.exe")" "$(windows_path "$work")" \
        --hold "$(windows_path "$e2e")" &
    local driver=$!
    take_screenshot "$e2e" "$driver"
    touch "$e2e/screenshot.done"
    wait "$driver"
}

# Waits for the driver's "window.ready" (while the driver runs, at most STEP_TIMEOUT seconds),
# then grabs the window named tramox, or the whole screen when it has no such name.
take_screenshot() {
    local e2e=$1 driver=$2 deadline=$((SECONDS + STEP_TIMEOUT))
    until [[ -e "$e2e/window.ready" ]]; do
        if ! kill -0 "$driver" 2>/dev/null || ((SECONDS > deadline)); then
            echo "e2e: no screenshot, the window was never ready"
            return 0
        fi
        sleep 0.2
    done
    local id
    id=$(timeout 10 xwininfo -name tramox 2>/dev/null | awk '/Window id:/ {print $4}')
    timeout 30 import -window "${id:-root}" "$e2e/window.png" 2>/dev/null &&
        echo "e2e: screenshot $e2e/window.png"
}

run_platform_scenario() {
    local build=$1 e2e=$2 work="$2/work-platform"
    fresh_folder "$work"
    echo "e2e: scenario platform"
    timeout "$STEP_TIMEOUT" "$WINE" "$build/e2e_driver.exe" platform "$(windows_path "$work")"
}

run_settings_scenario() {
    local build=$1 e2e=$2 work="$2/work-settings"
    fresh_folder "$work"
    echo "e2e: scenario settings"
    timeout "$STEP_TIMEOUT" "$WINE" "$build/e2e_driver.exe" settings \
        "$(windows_path "$build/tramox.exe")" "$(windows_path "$work")"
}

# The copy scenario's damaged source is made unreadable in part by a preloaded library.
run_copy_scenario() {
    local build=$1 e2e=$2 work="$2/work-copy"
    fresh_folder "$work"
    echo "e2e: scenario copy"
    g++ -std=c++20 -O2 -shared -fPIC -o "$e2e/unreadable_reads.so" \
        "$(dirname "$0")/linux/unreadable_reads.cpp" -ldl || return 1
    TRAMOX_UNREADABLE="$work/damaged/bad.bin:1000-1599,2048" \
        LD_PRELOAD="$e2e/unreadable_reads.so" \
        timeout "$STEP_TIMEOUT" "$WINE" "$build/e2e_driver.exe" copy \
        "$(windows_path "$build/tramox.exe")" "$(windows_path "$work")"
}

main() {
    if [[ $# -lt 1 || $# -gt 2 ]]; then
        echo "usage: $0 <windows build folder> [e2e folder]" >&2
        return 2
    fi
    local build e2e
    build=$(cd "$1" && pwd) || return 2
    e2e=${2:-$(cd "$(dirname "$0")/.." && pwd)/build/e2e}
    mkdir -p "$e2e" && e2e=$(cd "$e2e" && pwd)
    for file in tramox.exe e2e_driver.exe e2e_font_probe.dll; do
        [[ -f "$build/$file" ]] || { echo "e2e: $build/$file is missing" >&2; return 2; }
    done
    timeout $((STEP_TIMEOUT * 4)) xvfb-run -a -s "-screen 0 1024x768x24" \
        bash "$0" --inside-display "$build" "$e2e"
}

if [[ ${1:-} == --inside-display ]]; then
    run_inside_display "$2" "$3"
else
    main "$@"
fi
