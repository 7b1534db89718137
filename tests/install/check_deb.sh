#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its fields, its files and the dependencies
# dpkg-shlibdeps found for it; Debian's lintian finds no error and no warning in it, and each
# program's manual page reads as one and names every option and command its --help does.
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

# Debian's checker, without any local configuration that could hide a tag. Run as root (or in a user
# namespace as root) it needs --allow-root; its informational notes do not fail the check.
lintian_log=$out/lintian.log
lintian --no-cfg --allow-root --display-info --fail-on error,warning "$deb" >"$lintian_log" 2>&1 ||
    { cat "$lintian_log" >&2; fail "lintian found errors or warnings"; }
grep -E '^[EW]: ' "$lintian_log" && fail "lintian listed errors or warnings"
echo "lintian: no errors, no warnings"
cat "$lintian_log"

root=$out/root
dpkg-deb -x "$deb" "$root"
for f in copyright changelog.gz; do
    [ -s "$root/usr/share/doc/veltrin/$f" ] || fail "no usr/share/doc/veltrin/$f"
done
zcat "$root/usr/share/doc/veltrin/changelog.gz" | head -1 | grep -q "^veltrin ($(field Version)) " ||
    fail "changelog.gz does not start with this version"
# The window's help and version come before any window: no display (and no discovery) is needed.
for program in veltrin veltrin-cli veltrin-sensor-sim; do
    run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" "$@"; }
    help=$(run --help) || fail "$program --help exited $?"
    version=$(run --version) || fail "$program --version exited $?"
    grep -q "^$program $(field Version)\$" <<<"$version" || fail "$program --version: $version"
    grep -q "GPL version 3 or later" <<<"$version" || fail "$program --version names no licence"

    page_file=$root/usr/share/man/man1/$program.1.gz
    [ -s "$page_file" ] || fail "no manual page for $program"
    page=$(MANWIDTH=200 man --warnings -l "$page_file" 2>"$out/man.err") || fail "man -l $program exited $?"
    [ ! -s "$out/man.err" ] || { cat "$out/man.err" >&2; fail "the manual page of $program has formatting faults"; }
    for heading in NAME SYNOPSIS DESCRIPTION 'EXIT STATUS' 'SEE ALSO' COPYRIGHT; do
        grep -q "^$heading\$" <<<"$page" || fail "the manual page of $program has no $heading"
    done
    # Every long option of --help is in the page.
    for option in $(grep -oE '(^|[ ,])--[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | sort -u); do
        grep -qe "$option" <<<"$page" || fail "the manual page of $program lacks $option"
    done
done
page=$(MANWIDTH=200 man -l "$root/usr/share/man/man1/veltrin-cli.1.gz")
for command in $("$root/usr/bin/veltrin-cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p'); do
    grep -q "^   Command $command:\$" <<<"$page" || fail "the manual page of veltrin-cli does not explain $command"
    # Each command's own options, too.
    for option in $("$root/usr/bin/veltrin-cli" "$command" --help | grep -oE '^ +(-., )?--[a-z][a-z-]*' | grep -oE -- '--[a-z-]+'); do
        grep -qe "$option" <<<"$page" || fail "the manual page of veltrin-cli lacks $command $option"
    done
done
grep -q '^FAULT INJECTION$' <<<"$(MANWIDTH=200 man -l "$root/usr/share/man/man1/veltrin-sensor-sim.1.gz")" ||
    fail "the stand-in's manual page does not explain its faults"
echo "package $(basename "$deb"): ok"
