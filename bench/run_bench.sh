#!/usr/bin/env bash
# tramox's benchmarks: runs them and prints one table, each figure beside its baseline measured
# in the same run, as the best and the median of the repetitions.
#
#   bench/run_bench.sh <native bench build> <win64 bench build> [bench folder]
#
# Sizes and repetitions come from the environment:
#   BENCH_MIB=64      size of the big file in MiB (the Wine copy and the simulated engine)
#   BENCH_FILES="100 2000"   numbers of 1 KiB files (the Wine copy of many small files), one
#                     run of the files part at each
#   BENCH_FILES_REPS=3   repetitions of the files part at each number (at most BENCH_REPS)
#   BENCH_REPS=5      repetitions of every measurement
#   BENCH_BAD=100     unreadable bytes of the big file in the damaged-medium part
#   BENCH_DAMAGED_REPS=3   its repetitions (at most BENCH_REPS by default): today a run is slow
#   BENCH_SECTOR_REPS=1 repetitions of the slow-bad-sectors part (about two minutes each)
#   BENCH_PARTS="copy damaged sectors files record engine console"   the parts to run
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
    local count
    for count in $(file_counts); do
        if [[ $(find "$data/files-$count" -type f 2>/dev/null | wc -l) != "$count" ]]; then
            fresh_folder "$data/files-$count"
            head -c $((count * 1024)) /dev/urandom |
                split -b 1024 -a 5 -d --additional-suffix=.bin - "$data/files-$count/f"
        fi
    done
}

# The numbers of small files the chosen parts need.
file_counts() {
    { has_part files && printf '%s\n' $FILES; has_part record && echo "$RECORD_FILES"; } | sort -un
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

# The small files into a destiny folder that is already there, at each number of files.
run_files_part() {
    local count files work=$BENCH/work rep
    for count in $FILES; do
        files=$BENCH/data/files-$count
        echo "bench: $count files of 1 KiB under Wine"
        for ((rep = 1; rep <= FILES_REPS; rep++)); do
            copy_run "wine.files.$count" "$files\\*.*" no || return 1
            same_files "$files" "$work/out" || return 1
            fresh_folder "$work/out"
            sample "wine.copyfile.files.$count" "$WINE" "$WIN64/copy_file.exe" \
                "$(windows_path "$files")" "$(windows_path "$work/out")" || return 1
            same_files "$files" "$work/out" || return 1
            # What tramox takes beyond CopyFileA, which creates the same files under the same Wine
            # (whose create of a new name reads the whole folder): the program's own cost.
            awk -v key="wine.files.own.$count" -v own="wine.files.$count" \
                -v base="wine.copyfile.files.$count" '
                $1 == own { o = $2 } $1 == base { b = $2 } END { printf "%s %.9f\n", key, o - b }' \
                "$SAMPLES" >>"$SAMPLES"
            # The checks grow with the folder under Wine: at 2,000 files a run would take most
            # of an hour, so they run at the first number alone.
            if [[ $count == "${FILES%% *}" ]]; then
                fresh_folder "$work/out"
                sample "wine.copyfile.files.checked.$count" "$WINE" "$WIN64/copy_file.exe" \
                    "$(windows_path "$files")" "$(windows_path "$work/out")" "$CHECKS" || return 1
                same_files "$files" "$work/out" || return 1
            fi
            fresh_folder "$work/out"
            sample "cp.files.$count" timed cp -r "$files/." "$work/out" || return 1
        done
    done
    fresh_folder "$work"
}

# The record part's tramox.damage, RECORD_BYTES or a little more: run blocks of 20 lines of about
# 200 bytes naming copies elsewhere, and among them blocks naming each file of the destiny folder
# complete once, spread over the record. Nothing in it makes the program fill a file in: its
# lines name other paths, or ours as complete.
make_record() {
    local files=$1 destiny=$2
    ls "$files" | SOURCE=$(windows_path "$files") DESTINY=$(windows_path "$destiny") awk \
        -v bytes="$RECORD_BYTES" '
        BEGIN {
            ORS = "\r\n"; n = ours = 0; when = "2026-11-30 08:15:42.1234567"
            source = ENVIRON["SOURCE"]; destiny = ENVIRON["DESTINY"]
            split("complete made-up differs missing", kind, " ")
            split("-|1000-1599 2048|4096-8191|100000-123455", ranges, "|")
        }
        { name[n++] = $0 }
        function put(line) { print line; total += length(line) + 2 }
        function other(block, i,    file) {
            file = sprintf("\\IMG_%06d from the old album.jpg", block * 20 + i)
            return sprintf("Z:\\rescued\\disc %04d\\photographs", block) \
                file "\t" kind[i % 4 + 1] "\t" ranges[i % 4 + 1] "\t123456\t" when "\t" \
                sprintf("E:\\disc %04d\\photographs", block) file \
                "\t123456\t" when
        }
        END {
            for (block = 0; total < bytes || ours < n; block++) {
                put(sprintf("#2026-11-30 09:%02d:%02d E:\\disc %04d\\*.* -> " \
                            "Z:\\rescued\\disc %04d", block / 60 % 60, block % 60, block, block))
                for (i = 0; i < 20; i++) put(other(block, i))
                if (ours < n && (ours + 10 <= n * total / bytes || total >= bytes)) {
                    put("#2026-11-30 10:00:00 " source "\\*.* -> " destiny)
                    for (i = 0; i < 10 && ours < n; i++) {
                        put(destiny "\\" name[ours] "\tcomplete\t-\t1024\t" when "\t" source \
                            "\\" name[ours] "\t1024\t" when)
                        ours++
                    }
                }
            }
        }' >"$BENCH/data/record.damage"
}

# record_run <key> <with record: yes|no>: tramox over RECORD_FILES files whose copies are all
# in the destiny folder already, with the record in its work folder or without; each file must
# get its notice, and no copy may change. dumpResults keeps tramox.console for the check.
record_run() {
    local key=$1 files=$BENCH/data/files-$RECORD_FILES work=$BENCH/work before notices
    fresh_folder "$work" && cp -rp "$files" "$work/out" || return 1
    printf 'dumpResults: yes\r\n' >"$work/tramox.ini"
    [[ $2 == yes ]] && { cp "$BENCH/data/record.damage" "$work/tramox.damage" || return 1; }
    before=$(cd "$work/out" && find . -printf '%p %s %T@\n' | sort)
    sample "$key" "$WINE" "$WIN64/copy_driver.exe" "$(windows_path "$TRAMOX")" \
        "$(windows_path "$work")" "$(windows_path "$files")\\*.*" \
        "$(windows_path "$work/out")" || return 1
    notices=$(tr -d '\r' <"$work/tramox.console" | grep -c '^Copy "f[0-9]*\.bin" file already exists$')
    [[ $notices == "$RECORD_FILES" ]] || {
        echo "bench: $key: $notices notices of a file already there, not $RECORD_FILES" >&2
        return 1
    }
    [[ $(cd "$work/out" && find . -printf '%p %s %T@\n' | sort) == "$before" ]] || {
        echo "bench: $key: a copy already there was changed" >&2
        return 1
    }
}

# A run over copies that are all there, with a big tramox.damage beside it and without one.
run_record_part() {
    local rep
    make_record "$BENCH/data/files-$RECORD_FILES" "$BENCH/work/out" || return 1
    for ((rep = 1; rep <= REPS; rep++)); do
        record_run record.big yes || return 1
        record_run record.none no || return 1
    done
    fresh_folder "$BENCH/work"
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
        run_files_part || failed=1
    fi
    if has_part record; then
        echo "bench: $RECORD_FILES copies already there, with a record of $RECORD_BYTES bytes and without"
        run_record_part || failed=1
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

# row <measure> <key> <unit> <baseline> <baseline key> [files] [baseline files]: one line of the
# table, when both ran. Units: MB/s (of the big file, 10^6 bytes), ms/file (of the number of
# files given for each side), µs (per line), s.
row() {
    local measure=$1 key=$2 unit=$3 baseline=$4 own base
    own=$(stats "$key")
    base=$(stats "$5")
    [[ -n $own && -n $base ]] || return 0
    awk -v measure="$measure" -v baseline="$baseline" -v unit="$unit" -v own="$own" \
        -v base="$base" -v mib="$MIB" -v files="${6:-1}" -v baseFiles="${7:-${6:-1}}" '
        function value(seconds, count) {
            if (unit == "MB/s") return mib * 1.048576 / seconds
            if (unit == "ms/file") return seconds * 1000 / count
            if (unit == "s") return seconds
            return seconds * 1e6
        }
        function shown(x) {
            return sprintf(x >= 100 ? "%.0f" : x >= 10 ? "%.1f" : x >= 1 ? "%.2f" : "%.3g", x) " " unit
        }
        BEGIN {
            split(own, o, " ")
            split(base, b, " ")
            printf "| %s | %s | %s | %s | %s | %s | %.3g |\n", measure, shown(value(o[1], files)),
                shown(value(o[2], files)), baseline, shown(value(b[1], baseFiles)),
                shown(value(b[2], baseFiles)), value(o[2], files) / value(b[2], baseFiles)
        }'
}

# The files part's rows at each number of files, and each number's per-file cost beside the
# first's.
files_rows() {
    local count first=${FILES%% *}
    for count in $FILES; do
        row "Wine: tramox, $count files of 1 KiB" "wine.files.$count" ms/file "CopyFileA, Wine" \
            "wine.copyfile.files.$count" "$count"
        row "Wine: tramox, $count files of 1 KiB" "wine.files.$count" ms/file \
            "CopyFileA after $CHECKS checks" "wine.copyfile.files.checked.$count" "$count"
        row "Wine: CopyFileA, $count files of 1 KiB" "wine.copyfile.files.$count" ms/file \
            "cp -r" "cp.files.$count" "$count"
    done
    for count in $FILES; do
        [[ $count == "$first" ]] && continue
        row "Wine: tramox, per file at $count files (target: ratio at most 1.2)" \
            "wine.files.$count" ms/file "tramox, per file at $first" "wine.files.$first" \
            "$count" "$first"
        row "Wine: CopyFileA, per file at $count files" "wine.copyfile.files.$count" ms/file \
            "CopyFileA, per file at $first" "wine.copyfile.files.$first" "$count" "$first"
        row "Wine: tramox beyond CopyFileA, per file at $count files" "wine.files.own.$count" \
            ms/file "the same at $first" "wine.files.own.$first" "$count" "$first"
    done
}

print_table() {
    local commit mark platform key where
    commit=$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null)
    [[ -n $(git -C "$ROOT" status --porcelain -- src 2>/dev/null) ]] &&
        commit+=" with uncommitted changes in src/"
    echo
    echo "tramox bench, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit: big file $MIB MiB," \
        "$(has_part files && echo "${FILES// / and } files of 1 KiB, ")$REPS repetitions$(
            has_part damaged && echo " ($DAMAGED_REPS with $BAD unreadable bytes)")$(
            has_part files && echo " ($FILES_REPS of the files)"); best and median of them;" \
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
    files_rows
    row "Wine: tramox, $RECORD_FILES copies already there, a record of $((RECORD_BYTES / 1000000)) MB (target: ratio at most 1.1)" \
        record.big s "the same without a record" record.none
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
    MIB=${BENCH_MIB:-64} FILES=${BENCH_FILES:-100 2000} REPS=${BENCH_REPS:-5}
    FILES_REPS=${BENCH_FILES_REPS:-$((REPS < 3 ? REPS : 3))}
    # The record part: copies of these many files already there, a tramox.damage of these bytes.
    RECORD_FILES=1000 RECORD_BYTES=20000000
    # tramox looks for each missing destiny file depthSearchDestiny + 1 times (the default).
    CHECKS=2049
    BAD=${BENCH_BAD:-100}
    DAMAGED_REPS=${BENCH_DAMAGED_REPS:-$((REPS < 3 ? REPS : 3))}
    # Today's engine takes about a second per bad byte under Wine.
    DAMAGED_LIMIT=$((120 + 5 * BAD))
    PRELOAD=$NATIVE/unreadable_reads.so
    PARTS=${BENCH_PARTS:-copy damaged sectors files record engine console}
    SECTOR_REPS=${BENCH_SECTOR_REPS:-1}
    SAMPLES=$BENCH/samples.txt
    LOAD=$(cut -d' ' -f1 /proc/loadavg)
    export BENCH WIN64 TRAMOX MIB FILES FILES_REPS RECORD_FILES RECORD_BYTES REPS PARTS SAMPLES \
        CHECKS BAD DAMAGED_REPS DAMAGED_LIMIT PRELOAD SECTOR_REPS
    : >"$SAMPLES"
    local failed=0
    run_native || failed=1
    if has_part copy || has_part damaged || has_part sectors || has_part files ||
        has_part record; then
        make_data || return 1
    fi
    if has_part copy || has_part damaged || has_part sectors || has_part files ||
        has_part record || has_part console; then
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
