#!/usr/bin/env bash
# Says why each test (or test row) that did not run was skipped: ctest lists
# a skipped test by name only, and a Qt Test row skipped inside a passing
# test not at all.
#   scripts/skipped-tests.sh BUILD_DIR
set -euo pipefail
log="$1/Testing/Temporary/LastTest.log"
[ -f "$log" ] || exit 0
reasons=$(grep -hE '^(skipped: |SKIP   : )' "$log" || true)
if [ -n "$reasons" ]; then
    echo "Skipped in $1:"
    sed 's/^/    /' <<<"$reasons"
fi
