#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its fields, its files and the dependencies
# dpkg-shlibdeps found for it.
#   check_deb.sh <build dir>
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$out"/veltrin_*.deb)
dpkg-deb --info "$deb"
contents=$(dpkg-deb --contents "$deb")
echo "$contents"
for f in ./usr/bin/veltrin ./usr/bin/veltrin-sensor-sim ./usr/bin/veltrin-cli ./usr/share/applications/com.veltrin.Veltrin.desktop \
    ./usr/share/metainfo/com.veltrin.Veltrin.metainfo.xml ./usr/share/mime/packages/veltrin-project.xml \
    ./usr/share/icons/hicolor/256x256/apps/veltrin.png ./usr/share/icons/hicolor/16x16/apps/veltrin.png \
    ./usr/share/doc/veltrin/manual_en.pdf ./usr/share/doc/veltrin/manual_cn.pdf; do
    grep -q " $f\$" <<<"$contents" || fail "$f is not in the package"
done
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = veltrin ] || fail "package name"
[ "$(field Section)" = science ] || fail "section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
# A here-string, not a pipe: grep -q leaves early, and under pipefail the writer's SIGPIPE failed the check.
grep -q 'laser area scanners' <<<"$(field Description)" || fail "no description"
depends=$(field Depends)
# Found by dpkg-shlibdeps from the binaries, with versions.
for lib in libqt5widgets5 libqt5network5 libqt5serialport5 libqt5core5a libc6 'libstdc++6'; do
    grep -q "$lib (>=" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
echo "package $(basename "$deb"): ok"
