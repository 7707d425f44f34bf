#!/bin/bash
# The hand-off through the real WebBrowser control, under Wine: the
# hand-off build of the launcher (target quarrow-launcher-handoff, whose
# start address is a "vadmo/login" address) starts; the control raises
# BeforeNavigate2 for that address; the launcher closes and starts the
# recording loader beside it, which records its command line. The check
# passes when the launcher has ended by itself, the loader was started
# exactly once, and the bytes after the loader's name are exactly the
# expected command line.
#
# Usage: tests/wine/run-handoff.sh <build-windows dir>
set -euo pipefail

build=$(cd "${1:?usage: run-handoff.sh <build-windows dir>}" && pwd)
program="$build/app/handoff/quarrow-launcher-handoff.exe"
[ -x "$program" ] || { echo "run-handoff: $program is missing (build the quarrow-launcher-handoff target)" >&2; exit 1; }
[ -x "$build/app/handoff/quilbyLoader.exe" ] || { echo "run-handoff: the recording loader is not beside the program" >&2; exit 1; }

here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-session.sh"
WINE_SESSION_PREFIX="${WINE_SESSION_PREFIX:-$build/wine-prefix}"
WINE_SESSION_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quarrow-wine-handoff.XXXXXX")
trap 'wine_session_stop; rm -rf "$WINE_SESSION_DIR"' EXIT
wine_session_start

record="$WINE_SESSION_DIR/record"
expected='ID=wine-user,Key=userid-wine-user&k-/games/vadmo/dlq/,PID=ZUVO_,PROCPARA=66666'

cd "$build/app/handoff"
QUARROW_RECORD_FILE="$record" timeout 60 /usr/lib/wine/wine64 "$program" >"$WINE_SESSION_DIR/launcher.log" 2>&1 &
launcher=$!
status=0
wait "$launcher" || status=$?
if [ "$status" -eq 124 ]; then
    echo "run-handoff: FAIL: the launcher did not end within 60 s" >&2
    cat "$WINE_SESSION_DIR/launcher.log" >&2
    exit 1
fi
# The loader is a process of its own; give it the time to start.
for _ in $(seq 1 100); do
    [ -f "$record" ] && break
    sleep 0.1
done
if [ ! -f "$record" ]; then
    echo "run-handoff: FAIL: the loader wrote no record (launcher status $status)" >&2
    cat "$WINE_SESSION_DIR/launcher.log" >&2
    exit 1
fi
starts=$(wc -l <"$record.starts")
arg=$(sed -n 's/^arg=//p' "$record" | sed -n 2p | xxd -r -p)
line=$(sed -n 's/^cmdline=//p' "$record" | xxd -r -p)
echo "run-handoff: the loader's command line: $line"
if [ "$starts" -ne 1 ]; then
    echo "run-handoff: FAIL: the loader was started $starts times" >&2
    exit 1
fi
if [ "$arg" != "$expected" ]; then
    echo "run-handoff: FAIL: the loader got \"$arg\", expected \"$expected\"" >&2
    exit 1
fi
echo "run-handoff: PASS"
