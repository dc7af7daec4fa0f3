#!/usr/bin/env bash
# Runs a GUI test command only when an X display is available (scripts/test.sh starts
# a virtual one); otherwise reports the test as skipped (exit code 77).
if [[ -z "${DISPLAY:-}" ]]; then
    echo "SKIPPED: DISPLAY is not set; run the tests through scripts/test.sh, which provides a virtual display"
    exit 77
fi
exec "$@"
