#!/bin/bash
# How the Direct2D test's construction fails where its libraries are missing, run under Wine
# with the libraries disabled:
#   - no d2d1.dll: GfxSysNotAvailableException "This machine doesn't support Direct2D."
#   - a d2d1.dll but no d3d10_1.dll: the message string that ends the run. Wine's own d2d1.dll
#     imports d3d10_1.dll, so this uses the stand-in d2d1.dll built into tests/d2d-stub.
#   - the stand-in with Direct3D 10.1: its factory fails, "Cannot initialise Direct2D."
#   tests/d2d/d2d_fallback_test.sh [build dir]      (needs DISPLAY and WINEPREFIX as usual)
set -u
BUILD="${1:-build/d2d-win}"
EXE="$BUILD/tests/korvid_tests_d2d.exe"
STUB="$BUILD/tests/d2d-stub/d2d1.dll"
WINE="${WINE:-wine-stable}"
for f in "$EXE" "$STUB"; do
    [ -f "$f" ] || { echo "missing $f"; exit 1; }
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp "$EXE" "$WORK/"

failures=0
# case name, gtest filter, DLL overrides
run_case() {
    local name="$1" filter="$2" overrides="$3"
    local out rc
    out=$(WINEDLLOVERRIDES="$overrides" WINEDEBUG=-all timeout 300 "$WINE" \
          "$WORK/korvid_tests_d2d.exe" --gtest_filter="$filter" 2>&1)
    rc=$?
    if [ $rc -eq 0 ] && echo "$out" | grep -q '\[  PASSED  \] 1 test' &&
       ! echo "$out" | grep -q SKIPPED; then
        echo "PASS: $name"
    else
        echo "FAIL: $name"
        echo "$out" | tail -20
        failures=$((failures + 1))
    fi
}

run_case "no d2d1.dll" 'D2DFallback.WithoutDirect2DTheCallerFallsBackToGDI' 'd2d1=d'
cp "$STUB" "$WORK/"
run_case "d2d1.dll without d3d10_1.dll" 'D2DFallback.WithoutDirect3D101TheRunEndsWithAMessage' \
    'd2d1=n;d3d10_1=d'
run_case "stand-in d2d1.dll" 'D2DFallback.AFactoryThatCannotBeCreatedFallsBackToGDI' 'd2d1=n'

[ $failures -eq 0 ]
