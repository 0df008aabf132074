#!/usr/bin/env bash
# End-to-end runs of the run-time executable: a packed project, a bundled executable, a
# project directory, a directory without start list and a project whose unit fails to load.
# Usage: rtquorva_smoke.sh RTQUORVA QPACK DEMO_PROJECT_DIR
set -euo pipefail
RTQUORVA="$1"
QPACK="$2"
DEMO="$3"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QUORVA_INSTANCE="smoke$$"
failures=0
passes=0
check() { # description, command...
    local what="$1"
    shift
    if "$@"; then echo "ok: $what"; passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# A packed project in a directory that holds variable files of an earlier run.
mkdir "$work/packed"
"$QPACK" create "$work/packed/demo.qpk" "$DEMO"
touch "$work/packed/OLD.VAD" "$work/packed/old.VID" "$work/packed/KEEP.DAT"
check "packed project runs for 1 s and exits 0" \
    timeout 30 "$RTQUORVA" --headless --run-for 1 "$work/packed/demo.qpk"
check "variable files are deleted at the end" \
    test ! -e "$work/packed/OLD.VAD" -a ! -e "$work/packed/old.VID" -a -e "$work/packed/KEEP.DAT"

# A bundled executable runs its own project, from wherever it is started.
mkdir "$work/bundle"
"$QPACK" bundle "$RTQUORVA" "$DEMO" "$work/bundle/plant"
check "bundled executable runs its appended project" \
    bash -c "cd / && timeout 30 '$work/bundle/plant' --headless --run-for 0.5"

# A project directory.
mkdir "$work/dir"
cp "$DEMO"/* "$work/dir/"
touch "$work/dir/A.VAD"
check "project directory runs" timeout 30 "$RTQUORVA" --headless --run-for 0.5 "$work/dir"
check "its variable files are deleted" test ! -e "$work/dir/A.VAD"

# Without "Kestra.PFC" the run ends at once and silently, with exit code 0.
mkdir "$work/empty"
touch "$work/empty/B.VAD"
output="$(timeout 10 "$RTQUORVA" --headless "$work/empty" 2>&1)" && status=0 || status=$?
check "no start list: exit 0 (got $status)" test "$status" -eq 0
check "no start list: nothing said" test -z "$output"
check "no start list: nothing deleted" test -e "$work/empty/B.VAD"

# A unit that cannot be loaded: its error box (logged on a headless run), then a failure exit
# code that a service manager can tell from a clean run's.
mkdir "$work/broken"
cp "$DEMO"/* "$work/broken/"
printf 'NOSUCHUNIT\r\n' >"$work/broken/PROG.OCO"
output="$(timeout 30 "$RTQUORVA" --headless "$work/broken" 2>&1)" && status=0 || status=$?
check "unit that fails to load: exit code 3 (got $status)" test "$status" -eq 3
check "unit that fails to load: its box carries the loader's text" \
    bash -c 'grep -q "message box \"Error .*File Not Found NOSUCHUNIT.QRU" <<<"$1"' _ "$output"

# No shared memory is left behind.
check "the link area is removed by the last run-time" \
    bash -c "! ls /dev/shm | grep -q 'QRLINK32.$QUORVA_INSTANCE'"

# A wrong command line is a usage error.
set +e
"$RTQUORVA" --no-such-option >/dev/null 2>&1
status=$?
set -e
check "unknown option: exit code 2 (got $status)" test "$status" -ne 0
"$RTQUORVA" --headless "$work/no-such-dir" >/dev/null 2>&1 && status=0 || status=$?
check "missing project: exit code 2 (got $status)" test "$status" -eq 2

echo "$passes passed, $failures failed"
test "$failures" -eq 0
