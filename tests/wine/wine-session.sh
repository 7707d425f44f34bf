# A Wine session for the Windows build's checks, sourced by the runners in
# this folder: a Wine prefix of the session's own, an Xvfb screen of its own
# and xcompmgr on it (Wine shows per-pixel alpha only while a compositing
# manager runs). Everything the session starts is stopped by
# wine_session_stop, which the runners call from an EXIT trap.
#
#   WINE_SESSION_PREFIX  the prefix (made with wineboot when it is missing;
#                        default: <build>/wine-prefix)
#   WINE_SESSION_DIR     a fresh scratch folder for records and screenshots
#
# After wine_session_start: DISPLAY, WINEPREFIX, WINEDEBUG are exported.

wine_session_pids=""

wine_session_fail() {
    echo "wine-session: $*" >&2
    exit 1
}

wine_session_start() {
    for tool in Xvfb xcompmgr xwd python3 /usr/lib/wine/wine64 wineserver; do
        command -v "$tool" >/dev/null 2>&1 || wine_session_fail "$tool is missing (scripts/setup installs it)"
    done
    : "${WINE_SESSION_PREFIX:?the prefix to use}"
    : "${WINE_SESSION_DIR:?a scratch folder}"
    mkdir -p "$WINE_SESSION_DIR"
    export WINEPREFIX="$WINE_SESSION_PREFIX"
    export WINEDEBUG=-all
    # .NET is not needed and its installer would stop wineboot; mshtml stays.
    export WINEDLLOVERRIDES="mscoree=d"

    # The screen: Xvfb picks a free display number and writes it to a pipe.
    local fifo="$WINE_SESSION_DIR/display.fifo"
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >"$WINE_SESSION_DIR/xvfb.log" 2>&1 &
    wine_session_pids="$wine_session_pids $!"
    local display=""
    read -r -t 20 display <"$fifo" || wine_session_fail "Xvfb did not start (see $WINE_SESSION_DIR/xvfb.log)"
    rm -f "$fifo"
    export DISPLAY=":$display"
    xcompmgr >"$WINE_SESSION_DIR/xcompmgr.log" 2>&1 &
    wine_session_pids="$wine_session_pids $!"

    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot --init >"$WINE_SESSION_DIR/wineboot.log" 2>&1 || wine_session_fail "wineboot failed (see $WINE_SESSION_DIR/wineboot.log)"
    fi
    wineserver -w
}

wine_session_stop() {
    # The prefix's own server ends every Windows process of the session.
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
    fi
    for pid in $wine_session_pids; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $wine_session_pids; do
        wait "$pid" 2>/dev/null || true
    done
    wine_session_pids=""
}

# The display as a PNG: wine_session_screenshot <file.png>
wine_session_screenshot() {
    local dump="$WINE_SESSION_DIR/screen.xwd"
    xwd -root -silent >"$dump" || wine_session_fail "xwd could not read the screen"
    python3 "$(dirname "${BASH_SOURCE[0]}")/xwd_to_png.py" "$dump" "$1"
    rm -f "$dump"
}
