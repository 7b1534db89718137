#!/bin/sh
# Stands in for veltrin-cli when help2man runs it: --help also carries every command's own help, so
# the manual page gives each command's arguments and options, not only its name.
#   veltrin-cli-help.sh VELTRIN_CLI --help|--version
set -e
cli=$1
shift
[ "$1" = --help ] || exec "$cli" "$@"
"$cli" --help
for command in $("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p'); do
    printf '\nCommand %s:\n' "$command"
    "$cli" "$command" --help | sed -e 's/^Usage: \(.*\)/  \1\n/' -e '/^Options:$/d' -e '/^  -h, --help /d'
done
