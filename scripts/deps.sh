#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
# Sourced by run.sh and test.sh.

# What the installation tests (ctest label install) use: the desktop entry and AppStream validators,
# the MIME database and a content-type query, dpkg-shlibdeps and file for the Debian package.
# The configuration report test reads the PDF's text with pdftotext and needs the CJK fonts for
# the Chinese report.
VELTRIN_INSTALL_TEST_DEPS=(desktop-file-utils appstream shared-mime-info libglib2.0-bin dpkg-dev file
    poppler-utils fonts-noto-cjk)

# The fuzz build (.ci/run): clang with libFuzzer and the sanitizer runtimes.
VELTRIN_FUZZ_DEPS=(clang libclang-rt-14-dev)

veltrin_install_deps() {
    # qttranslations5-l10n: Qt's own dialogs (file dialogs, message box buttons) in Chinese.
    local pkgs=(cmake g++ make pkg-config qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev
        libqt5opengl5-dev libgl-dev iproute2 util-linux procps fonts-dejavu-core qttranslations5-l10n "$@")
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
