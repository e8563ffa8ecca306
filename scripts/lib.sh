# Shared by the scripts in this folder: install what is missing, configure and
# build incrementally. Sourced, not run.

METERTEST_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and testing needs on Debian 12.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev
                libgl-dev fonts-noto-cjk)

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

# configure_and_build BUILD_DIR [CMAKE_ARGS...]: configures once, then builds
# only what changed.
configure_and_build() {
    local build_dir=$1
    shift
    if [ ! -f "$build_dir/build.ninja" ]; then
        cmake -S "$METERTEST_ROOT" -B "$build_dir" -G Ninja "$@"
    elif [ $# -gt 0 ]; then
        cmake "$build_dir" "$@" >/dev/null
    fi
    cmake --build "$build_dir" --parallel "$(nproc)"
}
