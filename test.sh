#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test inside a private network namespace.
# Extra arguments go to ctest (for example: ./test.sh -R tst_codec).
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
veltrin_install_deps "${VELTRIN_INSTALL_TEST_DEPS[@]}"

veltrin_configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

# The program broadcasts discovery datagrams when its windows are built: tests never run in the
# machine's own network namespace.
unshare_flags=-n
[ "$(id -u)" -ne 0 ] && unshare_flags=-rn
export QT_QPA_PLATFORM=offscreen
exec unshare $unshare_flags sh -c 'ip link set lo up && cd build && ctest --output-on-failure -j"$(nproc)" "$@"' sh "$@"
