#!/usr/bin/env bash
# Runs a command (the tests) and fails when it created or changed the settings of the copy of
# TamoCNC in the build folder: tamo.cfg, machine.cfg or tamocnc.ini next to the executable. Tests
# keep their settings in folders of their own, so that the first `make run` after `make test` is a
# first start and an operator's own settings there are never touched.
#     tools/user-state-untouched.sh build/dev ctest --preset dev
set -euo pipefail
build=$1
shift
files=(tamo.cfg machine.cfg tamocnc.ini)

fingerprint() {
    local f
    for f in "${files[@]}"; do
        if [ -e "$build/$f" ]; then
            echo "$f $(stat -c '%s %Y' "$build/$f") $(sha256sum <"$build/$f")"
        else
            echo "$f none"
        fi
    done
}

before=$(fingerprint)
status=0
"$@" || status=$?
after=$(fingerprint)
if [ "$before" != "$after" ]; then
    echo "The tests left settings in $build (a test must keep them in a folder of its own):" >&2
    diff <(echo "$before") <(echo "$after") | sed -n 's/^> /  /p' >&2
    exit 1
fi
exit "$status"
