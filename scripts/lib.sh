# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the scripts in this folder: install what is missing, configure and
# build incrementally. Sourced, not run.

METERTEST_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and testing needs on Debian 12.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-l10n-tools
                libgl-dev libqcustomplot-dev fonts-noto-cjk ccache poppler-utils
                mbpoll python3-pymodbus)

# The plain build in build/, shared by scripts/test, scripts/demo and
# scripts/soak: the same arguments everywhere, so that no script reconfigures
# the tree another one built.
PLAIN_BUILD_ARGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DMETERTEST_SANITIZE=OFF
                  -DMETERTEST_E2E_TOGETHER=ON)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "error: installing packages needs root or sudo: $*" >&2
        return 1
    fi
}

# ensure_packages PKG...: installs the Debian packages that are not installed yet.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "== installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# The compiler cache, when ccache is there: its folder lives outside the
# clone (ccache's own default, ~/.cache/ccache), so that a fresh clone on the
# same machine compiles only what changed since the last build anywhere.
# Paths are taken relative to the clone, so that two clones share hits.
compiler_cache_args() {
    if command -v ccache >/dev/null 2>&1; then
        echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    fi
}
export CCACHE_BASEDIR="$METERTEST_ROOT"
export CCACHE_NOHASHDIR=1
# A fresh clone's files, and the moc files generated just before they are
# compiled, are all "new": without this ccache would preprocess every one of
# them instead of looking it up directly.
export CCACHE_SLOPPINESS=include_file_mtime,include_file_ctime

# configure BUILD_DIR [CMAKE_ARGS...]: configures the build once; later calls
# apply the given arguments again (a build type or option that changed).
configure() {
    local build_dir=$1
    shift
    if [ ! -f "$build_dir/build.ninja" ]; then
        # shellcheck disable=SC2046  # empty or one word
        cmake -S "$METERTEST_ROOT" -B "$build_dir" -G Ninja $(compiler_cache_args) "$@"
    elif [ $# -gt 0 ]; then
        cmake "$build_dir" "$@" >/dev/null
    fi
}

# build BUILD_DIR [TARGET...]: builds what changed of the given targets
# (everything when none is given).
build() {
    local build_dir=$1
    shift
    local targets=()
    if [ $# -gt 0 ]; then
        targets=(--target "$@")
    fi
    cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"
}

# configure_and_build BUILD_DIR [CMAKE_ARGS...]: configures once, then builds
# only what changed.
configure_and_build() {
    configure "$@"
    build "$1"
}

# use_runtime_folder: gives the programs started from here a per-user runtime
# folder when the session has none (no desktop login: ssh, su, CI), the same
# one Qt falls back to. metertest and metersim then agree on the port folder
# and Qt does not warn that XDG_RUNTIME_DIR is not set.
use_runtime_folder() {
    [ -n "${XDG_RUNTIME_DIR:-}" ] && return 0
    local folder
    folder="${TMPDIR:-/tmp}"
    folder="${folder%/}/runtime-$(id -un)"
    if mkdir -p -m 0700 "$folder" 2>/dev/null && [ -O "$folder" ]; then
        chmod 0700 "$folder"
        export XDG_RUNTIME_DIR="$folder"
    fi
}

# start_xvfb [SCREEN]: starts a private X server (Xvfb, screen default
# 1280x1024x24) on a free display and exports DISPLAY; stop_xvfb ends it.
XVFB_PID=
start_xvfb() {
    local n
    for n in $(seq 111 139); do
        if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then
            continue
        fi
        Xvfb ":$n" -screen 0 "${1:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 100); do
            if [ -S "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        stop_xvfb  # taken by someone else meanwhile, or did not start: next one
    done
    echo "error: no X display could be started with Xvfb" >&2
    return 1
}
stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
