#!/usr/bin/env bash
# tramox's benchmarks: runs them and prints one table, each figure beside its baseline measured
# in the same run, as the best and the median of the repetitions.
#
#   bench/run_bench.sh <native bench build> <win64 bench build> [bench folder]
#
# Sizes and repetitions come from the environment:
#   BENCH_MIB=64      size of the big file in MiB (the Wine copy and the simulated engine)
#   BENCH_FILES=500   number of 1 KiB files (the Wine copy of many small files)
#   BENCH_REPS=5      repetitions of every measurement
#   BENCH_BAD=100     unreadable bytes of the big file in the damaged-medium part
#   BENCH_DAMAGED_REPS=3   its repetitions (at most BENCH_REPS by default): today a run is slow
#   BENCH_SECTOR_REPS=1 repetitions of the slow-bad-sectors part (about two minutes each)
#   BENCH_PARTS="copy damaged sectors files engine console"   the parts to run
# The bench folder (default: build/bench in this repository) receives the Wine prefix, kept
# between runs, the data, the work folders and samples.txt, every measurement in seconds.
set -u

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# The Windows form of an absolute Unix path: Wine shows / as drive Z:.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

fresh_folder() {
    rm -rf "$1" && mkdir -p "$1"
}

# sample <key> <command...>: the command prints seconds; they are kept under the key.
sample() {
    local key=$1 seconds
    shift
    seconds=$("$@" | tr -d '\r')
    if [[ -z $seconds ]]; then
        echo "bench: $key failed" >&2
        return 1
    fi
    echo "$key $seconds" >>"$SAMPLES"
}

# Prints the seconds a command takes, process start included.
timed() {
    local start end
    start=$(date +%s.%N)
    "$@" || return 1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.9f\n", b - a }'
}

same_files() {
    diff -rq "$1" "$2" >/dev/null || {
        echo "bench: $2 is not a copy of $1" >&2
        return 1
    }
}

# Sources made afresh when their size changed.
make_data() {
    local data=$BENCH/data
    mkdir -p "$data"
    if [[ $(stat -c %s "$data/big.bin" 2>/dev/null) != $((MIB << 20)) ]]; then
        head -c $((MIB << 20)) /dev/urandom >"$data/big.bin"
    fi
    if [[ $(find "$data/files" -type f 2>/dev/null | wc -l) != "$FILES" ]]; then
        fresh_folder "$data/files"
        head -c $((FILES * 1024)) /dev/urandom |
            split -b 1024 -a 5 -d --additional-suffix=.bin - "$data/files/f"
    fi
}

# copy_run <key> <source> <verifyData>: one run of tramox into a new work folder's "out".
copy_run() {
    local key=$1 source=$2 work=$BENCH/work
    fresh_folder "$work/out"
    printf 'verifyData: %s\r\n' "$3" >"$work/tramox.ini"
    sample "$key" "$WINE" "$WIN64/copy_driver.exe" "$(windows_path "$TRAMOX")" \
        "$(windows_path "$work")" "$(windows_path "$source")" "$(windows_path "$work/out")"
}

# The big file: tramox without and with verifyData, CopyFileA under Wine, cp.
run_copy_part() {
    local big=$BENCH/data/big.bin work=$BENCH/work verify
    for ((rep = 1; rep <= REPS; rep++)); do
        for verify in no yes; do
            copy_run "wine.copy.$verify" "$big" "$verify" || return 1
            same_files "$big" "$work/out/big.bin" || return 1
        done
        fresh_folder "$work"
        sample wine.copyfile "$WINE" "$WIN64/copy_file.exe" "$(windows_path "$big")" \
            "$(windows_path "$work/big.bin")" || return 1
        same_files "$big" "$work/big.bin" || return 1
        fresh_folder "$work"
        sample wine.copyfile.checked "$WINE" "$WIN64/copy_file.exe" "$(windows_path "$big")" \
            "$(windows_path "$work/big.bin")" "$CHECKS" || return 1
        same_files "$big" "$work/big.bin" || return 1
        fresh_folder "$work"
        sample cp.big timed cp "$big" "$work/big.bin" || return 1
    done
    fresh_folder "$work"
}

# The offsets of BENCH_BAD bytes spread over the big file, one amid each equal stretch, as
# "first,second,...".
bad_offsets() {
    awk -v size=$((MIB << 20)) -v bad="$BAD" 'BEGIN {
        for (i = 0; i < bad; i++)
            printf "%s%d", i ? "," : "", int((i + 0.5) * size / bad) + 7 * i + 3
    }'
}

# damaged_run <key> <offsets>: tramox at the default settings copies the big file, those bytes
# of it unreadable through the preloaded library, in a fresh work folder (no fill-in from an
# earlier tramox.damage). dumpResults keeps tramox.console for the check; it costs the run nothing.
damaged_run() {
    local key=$1 big=$BENCH/data/big.bin work=$BENCH/work
    fresh_folder "$work" && mkdir "$work/out" || return 1
    printf 'dumpResults: yes\r\n' >"$work/tramox.ini"
    sample "$key" env TRAMOX_UNREADABLE="$big:$2" LD_PRELOAD="$PRELOAD" \
        timeout "$DAMAGED_LIMIT" "$WINE" "$WIN64/copy_driver.exe" "$(windows_path "$TRAMOX")" \
        "$(windows_path "$work")" "$(windows_path "$big")" "$(windows_path "$work/out")"
}

# The offsets of 8 ranges of 512 bytes spread over the big file, not on 512-byte bounds, as
# "first-last,...".
sector_ranges() {
    awk -v size=$((MIB << 20)) 'BEGIN {
        for (i = 0; i < 8; i++) {
            first = int((i + 0.5) * size / 8) + 100
            printf "%s%d-%d", i ? "," : "", first, first + 511
        }
    }'
}

# sector_run <key> <readableFirst yes|no> <ranges>: tramox at read depth 2 copies the big file,
# each read that meets an unreadable byte taking 5 ms more, as a drive trying a bad sector; kept
# as <key>.whole, and with readableFirst as <key>.first too, the time until the second pass's
# notice: the end of the first pass.
sector_run() {
    local key=$1 big=$BENCH/data/big.bin work=$BENCH/work times
    fresh_folder "$work" && mkdir "$work/out" || return 1
    printf 'depthRead: 2\r\nreadableFirst: %s\r\n' "$2" >"$work/tramox.ini"
    times=$(env TRAMOX_UNREADABLE="$big:$3${3:+,}failms=5" LD_PRELOAD="$PRELOAD" \
        timeout "$DAMAGED_LIMIT" "$WINE" "$WIN64/copy_driver.exe" "$(windows_path "$TRAMOX")" \
        "$(windows_path "$work")" "$(windows_path "$big")" "$(windows_path "$work/out")" \
        "Second pass" | tr -d '\r')
    if [[ -z $times ]]; then
        echo "bench: $key failed" >&2
        return 1
    fi
    echo "$key.whole ${times%% *}" >>"$SAMPLES"
    [[ ${times##* } != -1 ]] && echo "$key.first ${times##* }" >>"$SAMPLES"
    return 0
}

# The big file with 8 slow bad sectors, with readableFirst and without, beside it healthy; each
# damaged copy must differ from its source at the unreadable bytes alone.
run_sectors_part() {
    local big=$BENCH/data/big.bin work=$BENCH/work ranges rep setting
    ranges=$(sector_ranges)
    for ((rep = 1; rep <= SECTOR_REPS; rep++)); do
        sector_run sectors.healthy no "" || return 1
        for setting in yes no; do
            sector_run "sectors.$setting" "$setting" "$ranges" || return 1
            cmp -l "$big" "$work/out/big.bin" 2>&1 | awk -v ranges="$ranges" '
                BEGIN {
                    n = split(ranges, r, ",")
                    for (i = 1; i <= n; i++) { split(r[i], ends, "-"); lo[i] = ends[1]; hi[i] = ends[2] }
                }
                { at = $1 - 1; bad = 0
                  for (i = 1; i <= n; i++) if (at >= lo[i] + 0 && at <= hi[i] + 0) bad = 1
                  if (!bad) exit 1 }' || {
                echo "bench: the copy with readableFirst $setting differs at a readable byte" >&2
                return 1
            }
        done
    done
    fresh_folder "$work"
}

# The big file with BENCH_BAD unreadable bytes, beside it healthy: both runs under the library,
# so that its checks of each read weigh on both. The damaged copy must tell the bytes it made up
# and differ from the source only there.
run_damaged_part() {
    local big=$BENCH/data/big.bin work=$BENCH/work offsets first
    offsets=$(bad_offsets)
    first=${offsets%%,*}
    for ((rep = 1; rep <= DAMAGED_REPS; rep++)); do
        damaged_run damaged.healthy "" || return 1
        same_files "$big" "$work/out/big.bin" || return 1
        damaged_run damaged.bad "$offsets" || return 1
        tr -d '\r' <"$work/tramox.console" |
            grep -qE "^Made up $BAD bytes of \"big\.bin\": $first(,|\$)" || {
            echo "bench: the damaged copy does not report $BAD made-up bytes" >&2
            return 1
        }
        # A copy cut short makes cmp say so on a line of its own, which fails the check too.
        cmp -l "$big" "$work/out/big.bin" 2>&1 | awk -v offsets="$offsets" '
            BEGIN { n = split(offsets, o, ","); for (i = 1; i <= n; i++) bad[o[i]] = 1 }
            !(($1 - 1) in bad) { exit 1 }' || {
            echo "bench: the damaged copy differs from its source at a readable byte" >&2
            return 1
        }
    done
    fresh_folder "$work"
}

# The small files into a destiny folder that is already there.
run_files_part() {
    local files=$BENCH/data/files work=$BENCH/work
    for ((rep = 1; rep <= REPS; rep++)); do
        copy_run wine.files "$files\\*.*" no || return 1
        same_files "$files" "$work/out" || return 1
        fresh_folder "$work/out"
        sample wine.copyfile.files "$WINE" "$WIN64/copy_file.exe" "$(windows_path "$files")" \
            "$(windows_path "$work/out")" || return 1
        same_files "$files" "$work/out" || return 1
        fresh_folder "$work/out"
        sample wine.copyfile.files.checked "$WINE" "$WIN64/copy_file.exe" \
            "$(windows_path "$files")" "$(windows_path "$work/out")" "$CHECKS" || return 1
        same_files "$files" "$work/out" || return 1
        fresh_folder "$work/out"
        sample cp.files timed cp -r "$files/." "$work/out" || return 1
    done
    fresh_folder "$work"
}

# console_run <prefix> <command...>: one repetition in an empty work folder.
console_run() {
    local prefix=$1
    shift
    fresh_folder "$BENCH/work"
    (cd "$BENCH/work" && "$@" "$prefix") | tr -d '\r' >>"$SAMPLES"
}

has_part() {
    [[ " $PARTS " == *" $1 "* ]]
}

# Inside the X session: everything that runs under Wine.
run_inside_display() {
    export WINEPREFIX="$BENCH/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [[ ! -d $WINEPREFIX ]]; then
        echo "bench: creating the Wine prefix"
        "$WINE" wineboot -i >/dev/null 2>&1 || return 1
    fi
    local failed=0 rep
    if has_part console; then
        echo "bench: console lines under Wine"
        for ((rep = 1; rep <= REPS; rep++)); do
            console_run win "$WINE" "$WIN64/console_bench.exe" || failed=1
        done
    fi
    if has_part copy; then
        echo "bench: a $MIB MiB file under Wine"
        run_copy_part || failed=1
    fi
    if has_part damaged; then
        echo "bench: a $MIB MiB file with $BAD unreadable bytes under Wine"
        run_damaged_part || failed=1
    fi
    if has_part sectors; then
        echo "bench: a $MIB MiB file with 8 slow bad sectors under Wine"
        run_sectors_part || failed=1
    fi
    if has_part files; then
        echo "bench: $FILES files of 1 KiB under Wine"
        run_files_part || failed=1
    fi
    "$WINESERVER" -k 2>/dev/null
    return $failed
}

run_native() {
    if has_part engine; then
        echo "bench: the engine on the simulated platform, $MIB MiB"
        "$NATIVE/engine_bench" "$MIB" "$REPS" >>"$SAMPLES" || return 1
    fi
    if has_part console; then
        echo "bench: console lines on the simulated platform"
        for ((rep = 1; rep <= REPS; rep++)); do
            console_run sim "$NATIVE/console_bench" || return 1
        done
    fi
}

# stats <key>: the smallest and the median of its samples, in seconds.
stats() {
    awk -v key="$1" '$1 == key { print $2 }' "$SAMPLES" | sort -g | awk '
        { v[NR] = $1 }
        END { if (NR) printf "%.9g %.9g\n", v[1], NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# row <measure> <key> <unit> <baseline> <baseline key>: one line of the table, when both ran.
# Units: MB/s (of the big file, 10^6 bytes), ms/file, µs (per line), s.
row() {
    local measure=$1 key=$2 unit=$3 baseline=$4 own base
    own=$(stats "$key")
    base=$(stats "$5")
    [[ -n $own && -n $base ]] || return 0
    awk -v measure="$measure" -v baseline="$baseline" -v unit="$unit" -v own="$own" \
        -v base="$base" -v mib="$MIB" -v files="$FILES" '
        function value(seconds) {
            if (unit == "MB/s") return mib * 1.048576 / seconds
            if (unit == "ms/file") return seconds * 1000 / files
            if (unit == "s") return seconds
            return seconds * 1e6
        }
        function shown(x) {
            return sprintf(x >= 100 ? "%.0f" : x >= 10 ? "%.1f" : x >= 1 ? "%.2f" : "%.3g", x) " " unit
        }
        BEGIN {
            split(own, o, " ")
            split(base, b, " ")
            printf "| %s | %s | %s | %s | %s | %s | %.3g |\n", measure, shown(value(o[1])),
                shown(value(o[2])), baseline, shown(value(b[1])), shown(value(b[2])),
                value(o[2]) / value(b[2])
        }'
}

print_table() {
    local commit mark platform key where
    commit=$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null)
    [[ -n $(git -C "$ROOT" status --porcelain -- src 2>/dev/null) ]] &&
        commit+=" with uncommitted changes in src/"
    echo
    echo "tramox bench, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit: big file $MIB MiB," \
        "$FILES files of 1 KiB, $REPS repetitions$(has_part damaged &&
            echo " ($DAMAGED_REPS with $BAD unreadable bytes)"); best and median of them;" \
        "load average" \
        "$LOAD at the start, $(cut -d' ' -f1 /proc/loadavg) at the end"
    echo
    echo "| measure | best | median | baseline | best | median | ratio of medians |"
    echo "|---|---|---|---|---|---|---|"
    row "Wine: tramox, verifyData no" wine.copy.no MB/s "CopyFileA, Wine" wine.copyfile
    row "Wine: tramox, verifyData yes" wine.copy.yes MB/s "CopyFileA, Wine" wine.copyfile
    row "Wine: tramox, verifyData no" wine.copy.no MB/s "CopyFileA after $CHECKS checks" \
        wine.copyfile.checked
    row "Wine: tramox, verifyData yes" wine.copy.yes MB/s "CopyFileA after $CHECKS checks" \
        wine.copyfile.checked
    row "Wine: CopyFileA" wine.copyfile MB/s "cp" cp.big
    row "Wine: tramox, $BAD unreadable bytes (target: ratio at most 2)" damaged.bad s \
        "tramox, the file healthy" damaged.healthy
    row "Wine: tramox, 8 slow bad sectors, readable first: end of the first pass" sectors.yes.first \
        s "tramox, the file healthy" sectors.healthy.whole
    row "Wine: tramox, 8 slow bad sectors, readable first: whole run" sectors.yes.whole s \
        "tramox, the file healthy" sectors.healthy.whole
    row "Wine: tramox, 8 slow bad sectors, without it: whole run" sectors.no.whole s \
        "tramox, the file healthy" sectors.healthy.whole
    row "Wine: tramox, 1 KiB files" wine.files ms/file "cp -r" cp.files
    row "Wine: tramox, 1 KiB files" wine.files ms/file "CopyFileA after $CHECKS checks" \
        wine.copyfile.files.checked
    row "Wine: CopyFileA, 1 KiB files" wine.copyfile.files ms/file "cp -r" cp.files
    row "Simulated: engine, verifyData no" sim.engine.no MB/s "os:: 1 MiB blocks" sim.block
    row "Simulated: engine, verifyData yes" sim.engine.yes MB/s "os:: 1 MiB blocks" sim.block
    for platform in sim win; do
        for mark in 100 1000 10000; do
            key=$platform.console
            [[ $platform == sim ]] && where=Simulated || where=Wine
            row "$where: console line $mark, WriteConsoleLine" "$key.write.$mark" µs \
                "os:: append of the line" "$key.append.$mark"
            row "$where: console line $mark, pane refresh" "$key.refresh.$mark" µs \
                "os:: append of the line" "$key.append.$mark"
        done
    done
}

main() {
    if [[ $# -lt 2 || $# -gt 3 ]]; then
        echo "usage: $0 <native bench build> <win64 bench build> [bench folder]" >&2
        return 2
    fi
    ROOT=$(cd "$(dirname "$0")/.." && pwd)
    NATIVE=$(cd "$1" && pwd) && WIN64=$(cd "$2" && pwd) || return 2
    BENCH=${3:-$ROOT/build/bench}
    mkdir -p "$BENCH" && BENCH=$(cd "$BENCH" && pwd)
    TRAMOX=$WIN64/tramox/tramox.exe
    MIB=${BENCH_MIB:-64} FILES=${BENCH_FILES:-500} REPS=${BENCH_REPS:-5}
    # tramox looks for each missing destiny file depthSearchDestiny + 1 times (the default).
    CHECKS=2049
    BAD=${BENCH_BAD:-100}
    DAMAGED_REPS=${BENCH_DAMAGED_REPS:-$((REPS < 3 ? REPS : 3))}
    # Today's engine takes about a second per bad byte under Wine.
    DAMAGED_LIMIT=$((120 + 5 * BAD))
    PRELOAD=$NATIVE/unreadable_reads.so
    PARTS=${BENCH_PARTS:-copy damaged sectors files engine console}
    SECTOR_REPS=${BENCH_SECTOR_REPS:-1}
    SAMPLES=$BENCH/samples.txt
    LOAD=$(cut -d' ' -f1 /proc/loadavg)
    export BENCH WIN64 TRAMOX MIB FILES REPS PARTS SAMPLES CHECKS BAD DAMAGED_REPS DAMAGED_LIMIT \
        PRELOAD SECTOR_REPS
    : >"$SAMPLES"
    local failed=0
    run_native || failed=1
    if has_part copy || has_part damaged || has_part sectors || has_part files; then
        make_data || return 1
    fi
    if has_part copy || has_part damaged || has_part sectors || has_part files ||
        has_part console; then
        xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --inside-display || failed=1
    fi
    print_table
    return $failed
}

if [[ ${1:-} == --inside-display ]]; then
    run_inside_display
else
    main "$@"
fi
