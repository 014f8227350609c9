#!/bin/bash
# korvid.exe with the Direct2D back end under Wine, on its own 320 x 240 virtual screen (Direct2D
# on a software renderer draws about 17 megapixels per second, so a small screen keeps the run
# to a few minutes):
#   1. "-y -nu -sd": every Direct2D group runs and the transcript is saved.
#   2. d2d1.dll disabled: "This machine doesn't support Direct2D." and the GDI test instead.
#   3. a d2d1.dll (the stand-in from tests/d2d-stub) but no d3d10_1.dll: the run ends with the
#      Direct3D 10.1 message and the pause, and no test window is opened.
#   tests/d2d/d2d_end_to_end_test.sh [build dir] [display number]     (needs WINEPREFIX)
set -u
BUILD="$(cd "${1:-build/d2d-win}" && pwd)"
DISPLAY_NUMBER="${2:-93}"
WINE="${WINE:-wine-stable}"
for f in "$BUILD/korvid.exe" "$BUILD/curl-ca-bundle.crt" "$BUILD/tests/d2d-stub/d2d1.dll"; do
    [ -f "$f" ] || { echo "missing $f"; exit 1; }
done

Xvfb ":$DISPLAY_NUMBER" -screen 0 320x240x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
WORK=$(mktemp -d)
trap 'kill $XVFB 2>/dev/null; rm -rf "$WORK"' EXIT
sleep 1
export DISPLAY=":$DISPLAY_NUMBER"

failures=0
check() {  # description, then a command that must succeed
    local what="$1"
    shift
    if "$@"; then
        echo "PASS: $what"
    else
        echo "FAIL: $what"
        failures=$((failures + 1))
    fi
}
has() { grep -qxF -- "$2" "$1"; }           # a whole line
lacks() { ! grep -qF -- "$2" "$1"; }

# Runs korvid.exe in directory $1 with the given DLL overrides and arguments; the output, with
# the C runtime's CRLF line ends made LF, goes to $1/out.txt; the exit code to $1/rc. The run's
# length follows the measured clock granularity (each test lasts 1000 ticks) and the machine's
# load: a few minutes on an idle machine, much longer on a busy one.
run_korvid() {
    local dir="$1" overrides="$2"
    shift 2
    (cd "$dir" && echo | WINEDLLOVERRIDES="$overrides" WINEDEBUG=-all timeout "${KORVID_RUN_TIMEOUT:-3600}" \
        "$WINE" korvid.exe "$@" > out.raw 2>/dev/null; echo $? > rc; tr -d '\r' < out.raw > out.txt)
}

# 1. The full Direct2D run.
FULL="$WORK/full"
mkdir -p "$FULL"
cp "$BUILD/korvid.exe" "$BUILD/curl-ca-bundle.crt" "$FULL/"
run_korvid "$FULL" "" -y -nu -sd
OUT="$FULL/out.txt"
check "full run: exit code 0" [ "$(cat "$FULL/rc")" = 0 ]
check "full run: Direct2D set up" has "$OUT" "Initialising Direct2D test."
check "full run: no fallback" lacks "$OUT" "support Direct2D"
check "full run: no GDI" lacks "$OUT" "Initialising GDI test."
check "full run: display mode" grep -qE '^Display mode: 320x240@[0-9]+ \(32 bpp\)$' "$OUT"
check "full run: WritePixelArray" grep -qE '^WritePixelArray: [0-9]+\.[0-9]{3} MiB/s \(took [0-9]+\.[0-9]{6} seconds\)\. $' "$OUT"
check "full run: ReadPixelArray" grep -qE '^ReadPixelArray: [0-9]+\.[0-9]{3} MiB/s \(took [0-9]+\.[0-9]{6} seconds\)\. $' "$OUT"
for group in FillRect BltBitMap OverlappedBltBitMap Composite CompositeSrcMask; do
    check "full run: $group table" has "$OUT" "$group:"
done
# Sizes 16 to 128 on this screen (min(320, 240 - 20) = 220).
for group in FillRect BltBitMap Composite; do
    rows=$(awk -v g="$group:" '$0 == g {on = 1; next} on && /^$/ {exit} on && /^\([0-9]+, [0-9]+\)\t/ {n++} END {print n + 0}' "$OUT")
    check "full run: $group has rows for 16 to 128" [ "$rows" = 4 ]
done
# Wine 8 cannot copy a render target into a bitmap, nor draw through an opacity mask.
check "full run: overlapped blit not supported (Wine)" \
    [ "$(grep -cxF 'OverlappedBltBitMap is not supported on this machine (or not hardware accelerated).' "$OUT")" = 4 ]
check "full run: source mask not supported (Wine)" \
    [ "$(grep -cxF 'CompositeSrcMask is not supported on this machine (or not hardware accelerated).' "$OUT")" = 4 ]
check "full run: random row" grep -qE $'^ +[0-9]+\\.[0-9]{3}\t +[0-9]+\\.[0-9]{3}\t +[0-9]+\\.[0-9]{3}$' "$OUT"
check "full run: no test failed" lacks "$OUT" "Test failed."
check "full run: no error" lacks "$OUT" "ERROR"
check "full run: pause" has "$OUT" "Press ENTER to exit"
RESULT=$(ls "$FULL"/*.kvdresult 2>/dev/null | head -1)
check "full run: transcript saved" [ -n "$RESULT" ]
if [ -n "$RESULT" ]; then
    tr -d '\r' < "$RESULT" > "$FULL/result.txt"
    check "saved transcript: Direct2D tables" has "$FULL/result.txt" "CompositeSrcMask:"
    check "saved transcript: random table" has "$FULL/result.txt" "Random:"
    check "saved transcript: same table rows as the console" \
        diff <(grep -E $'^\\(' "$OUT") <(grep -E $'^\\(' "$FULL/result.txt")
fi

if [ $failures -ne 0 ]; then
    echo "--- the full run's output (last lines):"
    tail -25 "$OUT"
fi

# 2. No Direct2D: the GDI test runs instead (no test groups, to keep it short).
NOD2D="$WORK/nod2d"
mkdir -p "$NOD2D"
cp "$BUILD/korvid.exe" "$BUILD/curl-ca-bundle.crt" "$NOD2D/"
run_korvid "$NOD2D" "d2d1=d" -y -nu -ns -nm -nf -nb -nc -nr
check "no d2d1.dll: exit code 0" [ "$(cat "$NOD2D/rc")" = 0 ]
check "no d2d1.dll: message" has "$NOD2D/out.txt" "This machine doesn't support Direct2D."
check "no d2d1.dll: GDI test" has "$NOD2D/out.txt" "Initialising GDI test."
check "no d2d1.dll: no Direct2D set-up" lacks "$NOD2D/out.txt" "Initialising Direct2D test."

# 3. Direct2D without Direct3D 10.1: the run ends.
NOD3D="$WORK/nod3d"
mkdir -p "$NOD3D"
cp "$BUILD/korvid.exe" "$BUILD/curl-ca-bundle.crt" "$BUILD/tests/d2d-stub/d2d1.dll" "$NOD3D/"
run_korvid "$NOD3D" "d2d1=n;d3d10_1=d" -y -nu -ns
check "no d3d10_1.dll: exit code 0" [ "$(cat "$NOD3D/rc")" = 0 ]
check "no d3d10_1.dll: message then the pause" diff <(grep -v '^$' "$NOD3D/out.txt" | tail -2) \
    <(printf '%s\n' "ERROR: Direct2D test needs Direct3D 10.1. Please download and install DirectX 10.1 or higher." "Press ENTER to exit")
check "no d3d10_1.dll: no GDI fallback" lacks "$NOD3D/out.txt" "Initialising GDI test."
check "no d3d10_1.dll: no tests" lacks "$NOD3D/out.txt" "FillRect"

[ $failures -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
