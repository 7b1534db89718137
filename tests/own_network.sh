#!/bin/sh
# Runs one test program in a network of its own, loopback only. ctest runs programs side by side, and
# one program's discovery broadcasts would otherwise reach the stand-ins another one started (and
# their answers its list); nothing a test sends can leave the machine either.
flags=-n
[ "$(id -u)" -ne 0 ] && flags=-rn
exec unshare $flags sh -c 'ip link set lo up && exec "$@"' sh "$@"
