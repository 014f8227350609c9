# Shared by the scripts in this folder: paths, the Wine command and the virtual display.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
NATIVE_BUILD="$BUILD/native"
WINDOWS_BUILD="$BUILD/windows"
# korvid-server as it is served: optimised, no sanitizers, with symbols to strip apart.
RELEASE_BUILD="$BUILD/release"

say() { printf '%s: %s\n' "$(basename "$0")" "$*"; }

wine_command() {
    command -v wine 2>/dev/null || command -v wine-stable 2>/dev/null || { echo "wine not found" >&2; return 1; }
}

ensure_setup() {
    if [ ! -f "${KORVID_DEPS:-/opt/korvid-deps}/x86_64-w64-mingw32/.korvid-curl-ok" ] ||
       ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || ! command -v Xvfb >/dev/null ||
       ! wine_command >/dev/null 2>&1 || ! command -v ninja >/dev/null ||
       ! pkg-config --exists cpp-httplib 2>/dev/null || [ ! -e /usr/include/soci/soci.h ] ||
       [ ! -e /usr/include/boost/beast/http.hpp ] ||
       [ ! -x /usr/lib/postgresql/15/bin/initdb ] || ! command -v chromedriver >/dev/null ||
       ! command -v sudo >/dev/null || [ ! -x /usr/sbin/nginx ] ||
       [ ! -e /usr/include/prometheus/registry.h ] || [ ! -e /usr/include/nlohmann/json.hpp ]; then
        "$ROOT/scripts/setup"
    fi
}

# configure_windows [extra cmake arguments...]
configure_windows() {
    cmake -S "$ROOT" -B "$WINDOWS_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}

configure_native() {
    cmake -S "$ROOT" -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
}

configure_release() {
    cmake -S "$ROOT" -B "$RELEASE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKORVID_SANITIZE=OFF "$@" >/dev/null
}

# KORVID_VERSION, KORVID_CLIENT_NAME and KORVID_CLIENT_KEY of a configured tree ($1), which
# CMake writes from the one place that sets them.
load_identity() {
    # shellcheck disable=SC1091
    source "$1/generated/korvid-identity.env"
}

# Starts Xvfb on a free display number and sets DISPLAY and XVFB_PID. $1: WxHxD.
start_virtual_display() {
    local geometry="$1" n
    for n in $(seq 120 199); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 "$geometry" -nolisten tcp >/dev/null 2>&1 &
            XVFB_PID=$!
            local i
            for i in $(seq 1 50); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                sleep 0.1
            done
            if kill -0 "$XVFB_PID" 2>/dev/null; then
                export DISPLAY=":$n"
                return 0
            fi
        fi
    done
    echo "no free display for Xvfb" >&2
    return 1
}

stop_virtual_display() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
    return 0
}

# A Wine prefix of our own under build/, made once (about 7 s).
ensure_wine_prefix() {
    export WINEPREFIX="${WINEPREFIX:-$BUILD/wineprefix}"
    export WINEDEBUG="${WINEDEBUG:--all}"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        WINEDLLOVERRIDES="mscoree,mshtml=" "$(wine_command)" wineboot -i >/dev/null 2>&1
        "$(dirname "$(wine_command)")/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
    fi
}
