#!/bin/sh
# Fails when a library includes a header of a library above it. The order is the one the comment at
# the top of src/CMakeLists.txt gives; each library may include itself and those listed before it.
# Usage: check_layers.sh SRC_DIR
set -u
src=${1:?source directory}

# Each library with its directories, in layer order; a directory holds its own files, not those of
# its subdirectories.
layers='
veltrin_store    area/store/
veltrin_codec    comm/codec/
veltrin_scan     scan/
veltrin_geometry area/geometry/
veltrin_exchange exchange/
veltrin_project  area/file/
veltrin_check    check/
veltrin_net      comm/net/
veltrin_report   report/
veltrin_ui       area/ comm/ editor/ monitor/
veltrin_app      app/
'

documented=$(sed -n 's/^#   \(veltrin_[a-z]*\).*/\1/p' "$src/CMakeLists.txt" | tr '\n' ' ')
listed=$(echo "$layers" | awk 'NF { print $1 }' | tr '\n' ' ')
if [ "$documented" != "$listed" ]; then
    echo "the layers here differ from those src/CMakeLists.txt documents: [$listed] vs [$documented]"
    exit 1
fi

cd "$src" || exit 1
files=$(find . \( -name '*.cpp' -o -name '*.h' \) | sed 's|^\./||' | sort)
# Three inputs: the layer table, the files that exist, and every quoted include as "file:header".
echo "$layers" > "${TMPDIR:-/tmp}/layers.$$"
echo "$files" > "${TMPDIR:-/tmp}/files.$$"
for f in $files; do
    sed -n "s|^[[:space:]]*#[[:space:]]*include[[:space:]]*\"\([^\"]*\)\".*|$f:\1|p" "$f"
done | awk -v layersFile="${TMPDIR:-/tmp}/layers.$$" -v filesFile="${TMPDIR:-/tmp}/files.$$" '
    function rank(path,    dir, best, found, d, rest) {
        best = 0; found = 0
        for (d in dirRank) {
            rest = substr(path, length(d) + 1)
            if (index(path, d) == 1 && index(rest, "/") == 0 && length(d) > best) {
                best = length(d); found = dirRank[d]
            }
        }
        return found
    }
    BEGIN {
        while ((getline line < layersFile) > 0) {
            n = split(line, f, " ")
            if (n == 0) continue
            r++; name[r] = f[1]
            for (i = 2; i <= n; i++) dirRank[f[i]] = r
        }
        while ((getline line < filesFile) > 0) exists[line] = 1
    }
    {
        split($0, p, ":")
        if (!(p[2] in exists)) next # a generated form, a system header
        own = rank(p[1]); theirs = rank(p[2])
        if (own > 0 && theirs > own) {
            printf "%s (%s) includes %s (%s), a layer above it\n", p[1], name[own], p[2], name[theirs]
            bad = 1
        }
    }
    END { if (!bad) print "layers hold"; exit bad }'
status=$?
rm -f "${TMPDIR:-/tmp}/layers.$$" "${TMPDIR:-/tmp}/files.$$"
exit $status
