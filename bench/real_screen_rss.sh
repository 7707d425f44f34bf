#!/usr/bin/env bash
# Peak resident memory on a real screen: the launcher (quarrow-launcher with
# the WebKitGTK engine) against the smallest WebKitGTK program showing the
# same page (bare_webview: one view in a bare GTK window), both on an Xvfb of
# this script's own, both showing the demo portal's start page served on
# loopback.
#
# A figure is the sum of VmHWM (each process's peak resident size) over the
# program and every process below it (WebKit's web and network processes,
# and the sandbox's helpers), read once the start page is loaded: its script
# has been fetched and QUARROW_BENCH_SETTLE seconds (default 3) have passed,
# the same for both programs.
#
#   bench/real_screen_rss.sh <build dir>
#
# The build dir is configured with every portal host set to a loopback port
# (the port is built into the launcher), and quarrow-launcher, its
# web-process extension and bare_webview are built there. The launcher runs
# from a folder of its own with the extension beside it, as installed.
# Prints "<launcher kB> <bare kB>" on success; otherwise one line on
# standard error and a non-zero status. Every process it started is stopped
# before it returns; the per-process figures go to <build dir>/real-screen-rss.log.
set -Eeuo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "real_screen_rss: $*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: bench/real_screen_rss.sh <build dir>"
build="$1"
settle="${QUARROW_BENCH_SETTLE:-3}"
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
log="$build/real-screen-rss.log"
: >"$log"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUARROW_WEB_HOST="$host" -DQUARROW_GAME_HOST="$host" -DQUARROW_CHAT_HOST="$host" >>"$log" 2>&1 ||
    fail "configuring $build failed (see $log)"
cmake --build "$build" -j "$(nproc)" --target quarrow-launcher quarrow_webext bare_webview >>"$log" 2>&1 ||
    fail "building in $build failed (see $log)"
launcher="$build/app/quarrow-launcher"
extension="$(find "$build" -name quarrow-webext.so -path '*webkit*' -print -quit)"
bare="$build/bench/bare_webview"
[ -x "$launcher" ] && [ -n "$extension" ] && [ -x "$bare" ] || fail "the programs were not built in $build"

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

# -- the screen and the portal -------------------------------------------------
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=("$!")
for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    kill -0 "${pids[-1]}" 2>/dev/null || fail "Xvfb cannot start: $(tail -n 1 "$work/xvfb.log")"
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start within 20 s"
export DISPLAY=":$(head -n 1 "$work/display")"

portal_log="$work/portal.log"
python3 tools/demo-portal-server.py --port "$port" --port-file "$work/port" --log "$portal_log" \
    >/dev/null 2>"$work/server.err" &
pids+=("$!")
for _ in $(seq 100); do
    [ -s "$work/port" ] && break
    kill -0 "${pids[-1]}" 2>/dev/null || fail "the portal server cannot start: $(tail -n 1 "$work/server.err")"
    sleep 0.1
done
[ -s "$work/port" ] || fail "the portal server did not start within 10 s"

# The launcher as installed: the program with its extension beside it.
mkdir -p "$work/launcher"
cp "$launcher" "$work/launcher/quarrow-launcher"
cp "$extension" "$work/launcher/quarrow-webext.so"

# Runs a program until the start page is loaded, sets `measured` to the sum
# of VmHWM (kB) over its process tree, then stops the whole tree. Runs in
# this shell (not a subshell), so that the cleanup knows every process.
measure() {
    local name="$1"
    shift
    local fetched
    fetched="$(grep -c 'GET /games/vadmo/dlq/login.js' "$portal_log" 2>/dev/null || true)"
    "$@" >"$work/$name.out" 2>&1 &
    local root=$!
    pids+=("$root")
    for _ in $(seq 600); do
        [ "$(grep -c 'GET /games/vadmo/dlq/login.js' "$portal_log" 2>/dev/null || true)" -gt "${fetched:-0}" ] && break
        kill -0 "$root" 2>/dev/null || fail "$name ended before loading the start page: $(tail -n 1 "$work/$name.out")"
        sleep 0.1
    done
    [ "$(grep -c 'GET /games/vadmo/dlq/login.js' "$portal_log" 2>/dev/null || true)" -gt "${fetched:-0}" ] ||
        fail "$name did not load the start page within 60 s"
    sleep "$settle"
    kill -0 "$root" 2>/dev/null || fail "$name ended early: $(tail -n 1 "$work/$name.out")"
    local members total=0 pid kb
    mapfile -t members < <(tree "$root")
    pids+=("${members[@]:1}")
    for pid in "${members[@]}"; do
        kb="$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)"
        echo "$name: $(cat "/proc/$pid/comm" 2>/dev/null || echo '?') ($pid) VmHWM ${kb:-0} kB" >>"$log"
        total=$((total + ${kb:-0}))
    done
    # The program first, so that its children see it go and end by
    # themselves; whatever is left is stopped by its id.
    stop "$root"
    local rest=()
    for pid in "${members[@]:1}"; do kill -0 "$pid" 2>/dev/null && rest+=("$pid"); done
    [ ${#rest[@]} -eq 0 ] || stop "${rest[@]}"
    measured="$total"
}

measured=0
measure launcher "$work/launcher/quarrow-launcher"
launcher_kb="$measured"
measure bare "$bare" "http://$host/games/vadmo/dlq/"
bare_kb="$measured"
echo "$launcher_kb $bare_kb"
