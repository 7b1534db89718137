#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and a packager expect:
# the files in their places, the desktop entry and the AppStream data valid, the project-file
# type known to shared-mime-info, and the installed program opening a project file named on its
# command line.
#   check_install.sh <build dir> <source dir>
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d)
trap 'kill "${app_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/veltrin bin/veltrin-sensor-sim bin/veltrin-cli \
    share/applications/com.veltrin.Veltrin.desktop \
    share/metainfo/com.veltrin.Veltrin.metainfo.xml \
    share/mime/packages/veltrin-project.xml \
    share/doc/veltrin/manual_en.pdf share/doc/veltrin/manual_cn.pdf; do
    [ -s "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/veltrin.png
    [ -s "$icon" ] || fail "no ${size}x${size} icon"
    grep -q "PNG image data, $size x $size" <<<"$(file -b "$icon")" || fail "$icon is not $size x $size: $(file -b "$icon")"
done
[ -x "$prefix/bin/veltrin" ] || fail "bin/veltrin is not executable"
# The command line runs from the prefix and compares the sample with itself.
"$prefix/bin/veltrin-cli" --help | grep -q '^  diff ' || fail "veltrin-cli --help lists no diff"
"$prefix/bin/veltrin-cli" diff "$src/tests/install/sample.VKT50" "$src/tests/install/sample.VKT50" ||
    fail "veltrin-cli diff of the sample with itself exited $?"

desktop-file-validate "$prefix/share/applications/com.veltrin.Veltrin.desktop"
grep -q '^Name\[zh_CN\]=' "$prefix/share/applications/com.veltrin.Veltrin.desktop" || fail "no Chinese name"
appstreamcli validate --pedantic --no-net "$prefix/share/metainfo/com.veltrin.Veltrin.metainfo.xml"

# The type database builds from our entry, and a project file is recognised by its name and, renamed,
# by its first line.
XDG_DATA_DIRS=$prefix/share update-mime-database "$prefix/share/mime"
content_type() {
    XDG_DATA_HOME=$work/home/.local/share XDG_DATA_DIRS=$prefix/share:/usr/share \
        gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'
}
cp "$src/tests/install/sample.VKT50" "$work/a.VKT30"
cp "$src/tests/install/sample.VKT50" "$work/renamed"
[ "$(content_type "$work/a.VKT30")" = application/x-veltrin-project ] || fail "*.VKT30 not recognised"
[ "$(content_type "$work/renamed")" = application/x-veltrin-project ] || fail "first line not recognised"

# The installed program, started the way a file manager starts it, opens the project with its model.
project=$work/line\ 7.VKT50
cp "$src/tests/install/sample.VKT50" "$project"
log=$work/veltrin.log
mkdir -p "$work/home"
(cd "$work" && HOME=$work/home QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='veltrin.project.info=true' \
    exec "$prefix/bin/veltrin" "$project") >"$log" 2>&1 &
app_pid=$!
for _ in $(seq 300); do
    grep -q 'opened ' "$log" && break
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
grep -qF "opened $project: model VKT50, 4 zone points" "$log" || { cat "$log" >&2; fail "the project was not opened"; }
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after opening the project"
echo "install layout, validators, MIME type and command-line open: ok"
