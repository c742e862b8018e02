#!/usr/bin/env bash
# Runs tramox's end-to-end scenarios under Wine in a virtual X display, once per build.
#
#   e2e/run_e2e.sh [--e2e-folder <folder>] <windows build folder>...
#
# Each build folder holds tramox.exe, e2e_driver.exe and e2e_font_probe.dll of one bitness: the
# x86_64 build runs under Wine's 64-bit loader, the i686 build (the release) under its 32-bit
# side, wine32:i386. The e2e folder (default: build/e2e beside this script's repository) receives
# the Wine prefix (kept between runs; a 64-bit prefix made with wine32 present runs both), and
# per build (named by its folder) fresh work folders and window.png, a screenshot of the main
# window. Exits non-zero when a check fails or a step times out.
set -u

STEP_TIMEOUT=120
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
WINE=$WINE64  # the loader of the build being run

# The Windows form of an absolute Unix path: Wine shows / as drive Z:.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# A prefix made before wine32 was installed has no 32-bit side: it is made anew.
prepare_prefix() {
    local e2e=$1
    export WINEPREFIX="$e2e/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [[ -d "$WINEPREFIX" && -x "$WINE32" &&
          ! -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]]; then
        echo "e2e: the Wine prefix has no 32-bit side; making it anew"
        timeout "$STEP_TIMEOUT" "$WINESERVER" -k 2>/dev/null
        rm -rf "$WINEPREFIX"
    fi
    if [[ ! -d "$WINEPREFIX" ]]; then
        echo "e2e: creating the Wine prefix"
        timeout "$STEP_TIMEOUT" "$WINE64" wineboot -i >/dev/null 2>&1 || {
            echo "e2e: wineboot failed"
            return 1
        }
    fi
}

# 32 or 64, from the PE header of tramox.exe.
bits_of() {
    case "$(file -b "$1/tramox.exe")" in
        PE32+*) echo 64 ;;
        PE32*) echo 32 ;;
        *) echo unknown ;;
    esac
}

# Whether this machine runs 32-bit Windows programs: the 32-bit Wine starts a trivial command.
runs_32_bit() {
    [[ -x "$WINE32" ]] &&
        [[ "$(timeout "$STEP_TIMEOUT" "$WINE32" cmd.exe /c echo 32 2>/dev/null | tr -d '\r')" == 32 ]]
}

# Inside the X session: each build's scenarios one after the other.
run_inside_display() {
    local e2e=$1
    shift
    prepare_prefix "$e2e" || return 1
    build_preload_libraries "$e2e" || return 1
    local failed=0 build
    for build in "$@"; do
        run_build "$build" "$e2e" || failed=1
    done
    timeout "$STEP_TIMEOUT" "$WINESERVER" -k 2>/dev/null
    if ((failed)); then echo "e2e: FAILED"; else echo "e2e: every scenario passed"; fi
    return $failed
}

# One build's scenarios, each report line naming the build.
run_build() {
    local build=$1 e2e=$2 name bits
    name=$(basename "$build")
    bits=$(bits_of "$build")
    case $bits in
        64) WINE=$WINE64 ;;
        32)
            WINE=$WINE32
            if ! runs_32_bit; then
                echo "e2e: ****************************************************************"
                echo "e2e: SKIPPED every scenario of $name: this machine does not run 32-bit"
                echo "e2e: programs (the kernel or wine32:i386 refuses them)"
                echo "e2e: ****************************************************************"
                return 0
            fi
            ;;
        *)
            echo "e2e: $build/tramox.exe is no Windows program"
            return 1
            ;;
    esac
    echo "e2e: build $name ($bits-bit, $WINE)"
    mkdir -p "$e2e/$name"
    local failed=0
    run_window_scenario "$build" "$e2e/$name" || failed=1
    run_platform_scenario "$build" "$e2e/$name" || failed=1
    run_settings_scenario "$build" "$e2e/$name" || failed=1
    run_copy_scenario "$build" "$e2e/$name" || failed=1
    if ((failed)); then echo "e2e: $name FAILED"; else echo "e2e: $name passed"; fi
    return $failed
}

# The library that fails chosen reads, for Wine's 64-bit and 32-bit processes alike: the dynamic
# linker picks each process's own through $LIB in LD_PRELOAD.
PRELOAD_LIBS=(x86_64-linux-gnu:g++ i386-linux-gnu:i686-linux-gnu-g++)
build_preload_libraries() {
    local e2e=$1 entry
    for entry in "${PRELOAD_LIBS[@]}"; do
        local folder="$e2e/preload/lib/${entry%%:*}" compiler=${entry#*:}
        mkdir -p "$folder"
        "$compiler" -std=c++20 -O2 -shared -fPIC -o "$folder/unreadable_reads.so" \
            "$(dirname "$0")/linux/unreadable_reads.cpp" -ldl || return 1
    done
}

fresh_folder() {
    rm -rf "$1" && mkdir -p "$1"
}

# The driver holds the window open until the screenshot is taken.
run_window_scenario() {
    local build=$1 e2e=$2 work="$2/work-window"
    fresh_folder "$work"
    rm -f "$e2e/window.ready" "$e2e/screenshot.done" "$e2e/window.png"
    echo "e2e: scenario window ($(basename "$build"))"
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
    echo "e2e: scenario platform ($(basename "$build"))"
    timeout "$STEP_TIMEOUT" "$WINE" "$build/e2e_driver.exe" platform "$(windows_path "$work")"
}

run_settings_scenario() {
    local build=$1 e2e=$2 work="$2/work-settings"
    fresh_folder "$work"
    echo "e2e: scenario settings ($(basename "$build"))"
    timeout "$STEP_TIMEOUT" "$WINE" "$build/e2e_driver.exe" settings \
        "$(windows_path "$build/tramox.exe")" "$(windows_path "$work")"
}

# The copy scenario's damaged source is made unreadable in part by a preloaded library.
run_copy_scenario() {
    local build=$1 e2e=$2 work="$2/work-copy"
    fresh_folder "$work"
    mkdir "$work/drive-e" && ln -sfn "$work/drive-e" "$WINEPREFIX/dosdevices/e:"  # an empty root
    # The fill-in's two discs: the first one moved to drive F:, and another one in drive G:.
    ln -sfn "$work/refill" "$WINEPREFIX/dosdevices/f:"
    mkdir "$work/disc-2" && ln -sfn "$work/disc-2" "$WINEPREFIX/dosdevices/g:"
    echo "e2e: scenario copy ($(basename "$build"))"
    TRAMOX_READ_LOG="$work/reads.log" \
        TRAMOX_UNREADABLE="$work/damaged/bad.bin:1000-1599,2048,3000@3,4000@2;$work/slow/slow.bin:slow=65536;$work/refill/r.bin:500-599@4;$work/slow/cut.bin:slow=65536;$work/rf/r0.bin:70000-70099,failms=2;$work/rf/r2.bin:3000,failms=2" \
        LD_PRELOAD="$(dirname "$e2e")/preload/\$LIB/unreadable_reads.so" \
        timeout "$STEP_TIMEOUT" "$WINE" "$build/e2e_driver.exe" copy \
        "$(windows_path "$build/tramox.exe")" "$(windows_path "$work")"
}

main() {
    local e2e
    e2e=$(cd "$(dirname "$0")/.." && pwd)/build/e2e
    if [[ ${1:-} == --e2e-folder && $# -ge 2 ]]; then
        e2e=$2
        shift 2
    fi
    if [[ $# -lt 1 ]]; then
        echo "usage: $0 [--e2e-folder <folder>] <windows build folder>..." >&2
        return 2
    fi
    mkdir -p "$e2e" && e2e=$(cd "$e2e" && pwd)
    local builds=() build file
    for build in "$@"; do
        build=$(cd "$build" && pwd) || return 2
        for file in tramox.exe e2e_driver.exe e2e_font_probe.dll; do
            [[ -f "$build/$file" ]] || { echo "e2e: $build/$file is missing" >&2; return 2; }
        done
        builds+=("$build")
    done
    timeout $((STEP_TIMEOUT * 4 * $#)) xvfb-run -a -s "-screen 0 1024x768x24" \
        bash "$0" --inside-display "$e2e" "${builds[@]}"
}

if [[ ${1:-} == --inside-display ]]; then
    shift
    run_inside_display "$@"
else
    main "$@"
fi
