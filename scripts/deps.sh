#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
# Sourced by run.sh and test.sh.

# What the installation tests (ctest label install) use: the desktop entry and AppStream validators,
# the MIME database and a content-type query, dpkg-shlibdeps and file for the Debian package, help2man
# for its manual pages (written at build time), lintian to check it and man-db to read the pages.
# The configuration report test reads the PDF's text with pdftotext and needs the CJK fonts for
# the Chinese report. The monitor's MQTT test runs a broker and subscribes with its clients.
VELTRIN_INSTALL_TEST_DEPS=(desktop-file-utils appstream shared-mime-info libglib2.0-bin dpkg-dev file
    poppler-utils fonts-noto-cjk help2man lintian man-db mosquitto mosquitto-clients)

# The fuzz build (.ci/run): clang with libFuzzer and the sanitizer runtimes.
VELTRIN_FUZZ_DEPS=(clang libclang-rt-14-dev)

veltrin_install_deps() {
    # qttranslations5-l10n: Qt's own dialogs (file dialogs, message box buttons) in Chinese.
    local pkgs=(cmake g++ make ninja-build ccache lld pkg-config qtbase5-dev qtbase5-dev-tools
        libqt5serialport5-dev libqt5opengl5-dev libgl-dev libmosquitto-dev libdeflate-dev iproute2 util-linux procps
        fonts-dejavu-core qttranslations5-l10n "$@")
    local missing=()
    local p
    for p in "${pkgs[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures a build directory: Ninja (unless the directory was made with another generator) and a
# compiler cache kept outside the clone (~/.cache/ccache), shared by every clone and build directory
# on this machine, so a fresh clone rebuilds from the cache. Usage: veltrin_configure DIR [cmake args]
veltrin_configure() {
    local dir=$1
    shift
    local generator=()
    if [ ! -f "$dir/CMakeCache.txt" ] || grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
        command -v ninja >/dev/null && generator=(-G Ninja)
    fi
    local launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
        # Paths relative to the clone, so that another clone of the same sources hits the cache.
        export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
        export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-10G}
    fi
    cmake -S . -B "$dir" "${generator[@]}" "${launcher[@]}" "$@" >/dev/null
}

# Prints how long a stage took (for the CI log). Usage: veltrin_stage NAME COMMAND...
veltrin_stage() {
    local name=$1
    shift
    local start=$SECONDS
    local status=0
    "$@" || status=$?
    echo "stage $name: $((SECONDS - start)) s (exit $status)"
    return $status
}
