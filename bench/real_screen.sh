#!/usr/bin/env bash
# The launcher on a real screen, set against the least a program does to
# show the same things, all on one Xvfb of this script's own (no window
# manager, no compositing manager) with the demo portal served on loopback:
#
#   - exec to skin on screen: from exec until both windows' artwork can be
#     read back from the X server (a pixel of the background and a pixel of
#     a button image), against bare_skin_window (one 1044 x 616 RGBA GTK
#     window painting the background PNG) at the same place;
#   - exec to start page painted: until a pixel of the start page shows in
#     the panel, against bare_webview (one WebKitGTK view of the panel's
#     size in a bare GTK window) placed over the panel's spot;
#   - memory with the start page loaded, one program at a time: the sum over
#     the program and every process below it (WebKit's web and network
#     processes) of the proportional set size (Pss, /proc/<pid>/smaps_rollup:
#     shared pages counted by their share, so the sum is what the tree
#     costs the machine) and of the peak resident size (VmHWM), and the
#     tree's distinct resident pages (bench/tree_pages.c: each page once,
#     whatever else runs, where Pss shrinks when other programs share the
#     tree's libraries), read once the page's script has been fetched and
#     QUARROW_BENCH_SETTLE seconds (default 3) have passed, against
#     bare_webview.
#
# The screen times are wall-clock (what a user waits), each the median of
# QUARROW_BENCH_RUNS runs (default 7), the programs taking turns; the memory
# figures are the median of QUARROW_BENCH_MEMORY_RUNS runs (default 3); either
# set to 0 leaves its rows out. Pixels
# are polled every 0.5 ms by bench/screen_probe.c. The colours waited for are
# read from the screen first, with each program settled, so a change of
# artwork or page needs no change here.
#
#   bench/real_screen.sh <build dir>
#
# The build dir is configured with every portal host set to a loopback port
# (the port is built into the launcher), and the programs are built there.
# The launcher runs from a folder of its own with its files beside it, as
# installed. Prints "key value" lines (times in ms, memory in kB):
#   skin_launcher skin_bare page_launcher page_bare
#   pss_launcher pss_bare hwm_launcher hwm_bare resident_launcher resident_bare
# on success; otherwise one line on standard error and a non-zero status.
# Every process it started is stopped before it returns; each run's figures
# go to <build dir>/real-screen.log.
set -Eeuo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "real_screen: $*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: bench/real_screen.sh <build dir>"
build="$1"
settle="${QUARROW_BENCH_SETTLE:-3}"
runs="${QUARROW_BENCH_RUNS:-7}"
memory_runs="${QUARROW_BENCH_MEMORY_RUNS:-3}"
pkg-config --exists webkit2gtk-4.1 || fail "WebKitGTK 4.1 is not installed"

# -- the port: the last run's when it is still free, else any free one ---------
port_free() {
    python3 - "$1" <<'PY'
import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
try:
    s.bind(("127.0.0.1", int(sys.argv[1])))
except OSError:
    sys.exit(1)
PY
}
port="$(sed -n 's/^QUARROW_WEB_HOST:STRING=127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$build/CMakeCache.txt" 2>/dev/null || true)"
if [ -z "$port" ] || ! port_free "$port"; then
    port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
fi
host="127.0.0.1:$port"

mkdir -p "$build"
log="$build/real-screen.log"
: >"$log"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUARROW_WEB_HOST="$host" -DQUARROW_GAME_HOST="$host" -DQUARROW_CHAT_HOST="$host" >>"$log" 2>&1 ||
    fail "configuring $build failed (see $log)"
targets=(quarrow-launcher quarrow_webext bare_webview bare_skin_window screen_probe tree_pages)
if grep -q '^quarrow_webkit_engine' <(cmake --build "$build" --target help 2>/dev/null | sed 's/^\.\.\. //'); then
    targets+=(quarrow_webkit_engine)
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >>"$log" 2>&1 ||
    fail "building in $build failed (see $log)"
launcher="$build/app/quarrow-launcher"
bare="$build/bench/bare_webview"
skin="$build/bench/bare_skin_window"
probe="$build/bench/screen_probe"
pages="$build/bench/tree_pages"
[ -x "$launcher" ] && [ -x "$bare" ] && [ -x "$skin" ] && [ -x "$probe" ] && [ -x "$pages" ] ||
    fail "the programs were not built in $build"

# -- what this script starts, and how it is stopped ----------------------------
work="$(mktemp -d)"
pids=()
stop() {
    local pid
    for pid in "$@"; do kill -TERM "$pid" 2>/dev/null || true; done
    for pid in "$@"; do
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
cleanup() {
    local status=$?
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; --i)); do stop "${pids[i]}"; done
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A process and every process below it, the process first.
tree() {
    local -A children=()
    local stat pid ppid rest
    for stat in /proc/[0-9]*/stat; do
        rest="$(cat "$stat" 2>/dev/null)" || continue
        pid="${rest%% *}"
        rest="${rest##*) }"
        ppid="$(cut -d' ' -f2 <<<"$rest")"
        children[$ppid]+=" $pid"
    done
    local queue=("$1") next
    while [ ${#queue[@]} -gt 0 ]; do
        next="${queue[0]}"
        queue=("${queue[@]:1}")
        echo "$next"
        for pid in ${children[$next]:-}; do queue+=("$pid"); done
    done
}

# Stops a process tree: the root first, so that its children see it go and
# end by themselves; whatever is left is stopped by its id.
stop_tree() {
    local members pid rest=()
    mapfile -t members < <(tree "$1")
    pids+=("${members[@]:1}")
    stop "$1"
    for pid in "${members[@]:1}"; do kill -0 "$pid" 2>/dev/null && rest+=("$pid"); done
    [ ${#rest[@]} -eq 0 ] || stop "${rest[@]}"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print ""; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# -- the screen and the portal -------------------------------------------------
screen_w=1280
screen_h=800
# Waits until the process started last has written <file> (it says it is
# ready there), for at most <seconds>; fails with <what> and the last line
# of <log> if the process ends first.
wait_for_file() {
    local file="$1" seconds="$2" what="$3" log="$4"
    for _ in $(seq $((seconds * 10))); do
        [ -s "$file" ] && return 0
        kill -0 "${pids[-1]}" 2>/dev/null || fail "$what cannot start: $(tail -n 1 "$log")"
        sleep 0.1
    done
    fail "$what did not start within $seconds s"
}

Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=("$!")
wait_for_file "$work/display" 20 Xvfb "$work/xvfb.log"
export DISPLAY=":$(head -n 1 "$work/display")"

portal_log="$work/portal.log"
python3 tools/demo-portal-server.py --port "$port" --port-file "$work/port" --log "$portal_log" \
    >/dev/null 2>"$work/server.err" &
pids+=("$!")
wait_for_file "$work/port" 10 "the portal server" "$work/server.err"
start_page="http://$host/games/vadmo/dlq/"

# The launcher as installed: the program with its files beside it, from the
# build, or from QUARROW_BENCH_LAUNCHER_DIR (a folder holding an installed
# launcher, built with the same hosts, to compare another version).
mkdir -p "$work/launcher"
if [ -n "${QUARROW_BENCH_LAUNCHER_DIR:-}" ]; then
    cp -r "$QUARROW_BENCH_LAUNCHER_DIR"/. "$work/launcher/"
else
    cp "$launcher" "$work/launcher/quarrow-launcher"
    mkdir -p "$work/launcher/web-extension"
    for file in web-extension/quarrow-webext.so quarrow-webkit.so; do
        found="$(find "$build" -name "$(basename "$file")" -path '*webkit*' -print -quit)"
        if [ -n "$found" ]; then cp "$found" "$work/launcher/$file"; fi
    done
fi
[ -f "$work/launcher/web-extension/quarrow-webext.so" ] || fail "the web-process extension was not built in $build"

# -- where to look -------------------------------------------------------------
# The launcher centres its 1044 x 616 window on the screen (the work area is
# the whole screen with no window manager); the bare skin goes to the same
# place, the bare web view over the panel (650 x 360 at 353, 209 of the
# window). Points are window coordinates: one in the background's artwork
# only, one on the close button's image, one on the start page's login
# button.
win_x=$(((screen_w - 1044) / 2))
win_y=$(((screen_h - 616) / 2))
panel_x=$((win_x + 353))
panel_y=$((win_y + 209))
point() { echo "$((win_x + $1)),$((win_y + $2))"; }
background_point="$(point 40 250)"
button_point="$(point 1006 38)"
page_point="$((panel_x + 260)),$((panel_y + 240))"

# Page loads counted in the portal's log: a program has loaded the start page
# once it has fetched the page's script.
loads() { grep -c 'GET /games/vadmo/dlq/login.js' "$portal_log" 2>/dev/null || true; }
wait_loaded() {
    local name="$1" root="$2" before="$3"
    for _ in $(seq 600); do
        [ "$(loads)" -gt "$before" ] && return 0
        kill -0 "$root" 2>/dev/null || fail "$name ended before loading the start page: $(tail -n 1 "$work/$name.out")"
        sleep 0.1
    done
    fail "$name did not load the start page within 60 s"
}

# Runs a program until it has settled (start page loaded, or at once for
# the bare skin) and the colours at the given points have stayed the same
# for a second, prints them, and stops the program.
calibrate() {
    local name="$1" points="$2"
    shift 2
    local before
    before="$(loads)"
    "$@" >"$work/$name.out" 2>&1 &
    local root=$!
    pids+=("$root")
    [ "$name" = skin ] || wait_loaded "$name" "$root" "$before"
    local last="" now="" same=0
    for _ in $(seq 100); do
        sleep 0.25
        # shellcheck disable=SC2086
        now="$("$probe" read $points | awk '{ print $2 }' | tr '\n' ' ')"
        if [ "$now" = "$last" ]; then same=$((same + 1)); else same=0; fi
        last="$now"
        [ "$same" -ge 4 ] && break
    done
    "$probe" snap "$build/real-screen-$name.ppm" || true
    stop_tree "$root"
    echo "$now"
}

# -- exec to pixels on the screen ----------------------------------------------
# Runs the probe on a program, waits until it has reported, and stops the
# program's tree; prints the probe's "X,Y ms" lines.
watch() {
    local name="$1" points="$2"
    shift 2
    local before
    before="$(loads)"
    # shellcheck disable=SC2086
    "$probe" watch 60 $points -- "$@" >"$work/$name.probe" 2>"$work/$name.out" &
    local probe_pid=$!
    pids+=("$probe_pid")
    for _ in $(seq 650); do
        [ "$(grep -c '^[0-9]*,[0-9]* ' "$work/$name.probe")" -ge "$(wc -w <<<"$points")" ] && break
        kill -0 "$probe_pid" 2>/dev/null || break
        sleep 0.05
    done
    local child
    child="$(sed -n 's/^pid //p' "$work/$name.probe")"
    # A page that is being loaded is left to finish, so that the portal's log
    # does not count half loads against the next run.
    if [ -n "$child" ] && [ "$name" != skin ] && kill -0 "$child" 2>/dev/null; then
        wait_loaded "$name" "$child" "$before"
    fi
    [ -n "$child" ] && stop_tree "$child"
    stop "$probe_pid"
    grep '^[0-9]*,[0-9]* ' "$work/$name.probe"
    echo "$name: $(grep '^[0-9]*,[0-9]* ' "$work/$name.probe" | tr '\n' ' ')" >>"$log"
}
ms_at() { awk -v p="$1" '$1 == p && $2 != "timeout" { print $2 }'; }

skin_launcher=() page_launcher=() skin_bare=() page_bare=()
if [ "$runs" -gt 0 ]; then
    # The screen before anything runs, so that no colour waited for is one the
    # screen already shows.
    blank="$("$probe" read "$background_point" | awk '{ print $2 }')"
    read -r bg_colour button_colour page_colour <<<"$(calibrate launcher "$background_point $button_point $page_point" "$work/launcher/quarrow-launcher")"
    read -r bare_bg_colour <<<"$(calibrate skin "$background_point" "$skin" res/images/background.png "$win_x" "$win_y")"
    read -r bare_page_colour <<<"$(calibrate bare "$page_point" "$bare" "$start_page" "$panel_x" "$panel_y")"
    echo "colours: blank $blank; launcher background $bg_colour, button $button_colour, page $page_colour;" \
         "bare skin $bare_bg_colour, bare page $bare_page_colour" >>"$log"
    for c in "$bg_colour" "$button_colour" "$page_colour" "$bare_bg_colour" "$bare_page_colour"; do
        [ -n "$c" ] && [ "$c" != "$blank" ] || fail "a point waited for shows nothing but the empty screen (see $log)"
    done
    [ "$bg_colour" = "$bare_bg_colour" ] || fail "the launcher and the bare skin show different artwork (see $log)"
    [ "$page_colour" = "$bare_page_colour" ] || fail "the launcher and the bare web view show the page differently (see $log)"
fi
for ((run = 0; run < runs; ++run)); do
    out="$(watch launcher "$background_point=$bg_colour $button_point=$button_colour $page_point=$page_colour" \
               "$work/launcher/quarrow-launcher")"
    bg_ms="$(ms_at "$background_point" <<<"$out")"
    button_ms="$(ms_at "$button_point" <<<"$out")"
    page_ms="$(ms_at "$page_point" <<<"$out")"
    [ -n "$bg_ms" ] && [ -n "$button_ms" ] && [ -n "$page_ms" ] || fail "the launcher did not show everything (see $log)"
    # The skin is on screen once both windows' artwork is.
    skin_launcher+=("$(awk -v a="$bg_ms" -v b="$button_ms" 'BEGIN { print (a > b ? a : b) }')")
    page_launcher+=("$page_ms")

    out="$(watch skin "$background_point=$bare_bg_colour" "$skin" res/images/background.png "$win_x" "$win_y")"
    ms="$(ms_at "$background_point" <<<"$out")"
    [ -n "$ms" ] || fail "the bare skin did not show (see $log)"
    skin_bare+=("$ms")

    out="$(watch bare "$page_point=$bare_page_colour" "$bare" "$start_page" "$panel_x" "$panel_y")"
    ms="$(ms_at "$page_point" <<<"$out")"
    [ -n "$ms" ] || fail "the bare web view did not show the page (see $log)"
    page_bare+=("$ms")
done

# -- memory with the start page loaded -----------------------------------------
# Runs a program until the start page is loaded and has settled, sets
# `pss` and `hwm` to the sums (kB) over its process tree, then stops the
# whole tree. Runs in this shell (not a subshell), so that the cleanup knows
# every process.
measure() {
    local name="$1"
    shift
    local before
    before="$(loads)"
    "$@" >"$work/$name.out" 2>&1 &
    local root=$!
    pids+=("$root")
    wait_loaded "$name" "$root" "$before"
    sleep "$settle"
    kill -0 "$root" 2>/dev/null || fail "$name ended early: $(tail -n 1 "$work/$name.out")"
    local members pid kb_pss kb_hwm line=""
    resident=""
    pss=0
    hwm=0
    mapfile -t members < <(tree "$root")
    for pid in "${members[@]}"; do
        kb_pss="$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || true)"
        kb_hwm="$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)"
        line+=" $(cat "/proc/$pid/comm" 2>/dev/null || echo '?') Pss ${kb_pss:-0} HWM ${kb_hwm:-0};"
        pss=$((pss + ${kb_pss:-0}))
        hwm=$((hwm + ${kb_hwm:-0}))
    done
    # The tree's own pages, each counted once, whatever else runs (see
    # bench/tree_pages.c); empty where page frames cannot be read.
    resident="$("$pages" "${members[@]}" 2>/dev/null || true)"
    echo "$name memory (kB):$line total Pss $pss HWM $hwm, distinct resident ${resident:-?}" >>"$log"
    stop_tree "$root"
}

pss_launcher=() pss_bare=() hwm_launcher=() hwm_bare=() resident_launcher=() resident_bare=()
for ((run = 0; run < memory_runs; ++run)); do
    measure launcher "$work/launcher/quarrow-launcher"
    pss_launcher+=("$pss")
    hwm_launcher+=("$hwm")
    [ -z "$resident" ] || resident_launcher+=("$resident")
    measure bare "$bare" "$start_page"
    pss_bare+=("$pss")
    hwm_bare+=("$hwm")
    [ -z "$resident" ] || resident_bare+=("$resident")
done

report() { [ $# -lt 2 ] || printf '%s %s\n' "$1" "$(printf '%s\n' "${@:2}" | median)"; }
report skin_launcher "${skin_launcher[@]}"
report skin_bare "${skin_bare[@]}"
report page_launcher "${page_launcher[@]}"
report page_bare "${page_bare[@]}"
report pss_launcher "${pss_launcher[@]}"
report pss_bare "${pss_bare[@]}"
report hwm_launcher "${hwm_launcher[@]}"
report hwm_bare "${hwm_bare[@]}"
report resident_launcher "${resident_launcher[@]}"
report resident_bare "${resident_bare[@]}"
