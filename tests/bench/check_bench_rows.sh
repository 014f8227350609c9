#!/usr/bin/env bash
# Checks which rows scripts/bench takes from korvid.exe's output: only the FillRect and
# BltBitMap tables (not OverlappedBltBitMap), only 64x64 and 256x256, CRLF line ends as Wine
# writes them to a pipe. Run by hand: tests/bench/check_bench_rows.sh [path/to/scripts/bench]
set -euo pipefail
bench="${1:-$(dirname "${BASH_SOURCE[0]}")/../../scripts/bench}"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT

printf '%s\r\n' \
    "Initialising Direct2D test." "" "Display mode: 640x480@0 (32 bpp)" "" \
    "FillRect:" \
    "Size		    Time (s)	       Ops/s	    MPixel/s" \
    "(16, 16)	       3.141	    3183.699	       0.777" \
    "(64, 64)	       6.576	    1520.681	       5.940" \
    "(256, 256)	      37.764	     264.802	      16.550" \
    "" \
    "BltBitMap:" \
    "Size		    Time (s)	       Ops/s	    MPixel/s" \
    "Test failed. Your graphics card drivers may be faulty." \
    "(64, 64)	       7.662	 1305142.000	       5.098" \
    "(128, 128)	      23.806	     420.062	       6.563" \
    "(256, 256)	     124.029	      80.626	       5.039" \
    "" \
    "OverlappedBltBitMap:" \
    "Size		    Time (s)	       Ops/s	    MPixel/s" \
    "(64, 64)	       2.877	  452670.490	    1768.244" \
    "OverlappedBltBitMap is not supported on this machine (or not hardware accelerated)." \
    "" >"$dir/korvid.txt"

expected="fill 64 6.576 1520.681
fill 256 37.764 264.802
blit 64 7.662 1305142.000
blit 256 124.029 80.626"
actual="$("$bench" --rows "$dir/korvid.txt")"
if [ "$actual" != "$expected" ]; then
    echo "FAILED: rows taken from korvid.exe's output"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi

# A table without the measured sizes gives no rows (scripts/bench then stops with a message).
printf '%s\r\n' "FillRect:" "(16, 16)	       3.141	    3183.699	       0.777" >"$dir/short.txt"
if [ -n "$("$bench" --rows "$dir/short.txt")" ]; then
    echo "FAILED: rows taken from a table without 64x64 and 256x256"
    exit 1
fi
echo "passed"
