#!/bin/bash
# The Direct2D test's set-up on a 16-bit display: starts its own 16-bit virtual screen and runs
# the depth case of the d2d test program there.
#   tests/d2d/d2d_depth_test.sh [build dir] [display number]
set -u
BUILD="${1:-build/d2d-win}"
DISPLAY_NUMBER="${2:-94}"
EXE="$BUILD/tests/korvid_tests_d2d.exe"
WINE="${WINE:-wine-stable}"
[ -f "$EXE" ] || { echo "missing $EXE"; exit 1; }

Xvfb ":$DISPLAY_NUMBER" -screen 0 320x240x16 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null' EXIT
sleep 1

out=$(DISPLAY=":$DISPLAY_NUMBER" WINEDEBUG=-all timeout 300 "$WINE" "$EXE" \
      --gtest_filter='D2DDepth.*' 2>&1)
rc=$?
echo "$out" | grep -E '^\[' | grep -vE 'RUN|^\[-'
if [ $rc -ne 0 ] || ! echo "$out" | grep -q '\[  PASSED  \] 1 test' || echo "$out" | grep -q SKIPPED; then
    echo "FAIL: 16-bit set-up"
    echo "$out" | tail -20
    exit 1
fi
echo "PASS: 16-bit set-up"
