#!/bin/sh
# Runs a tool for help2man and passes its output on in the shape help2man
# reads best: "-h,--help" written "-h, --help" (so the long form is set in
# bold too) and the heading "Positionals:" as "Arguments:".
# Usage: help-for-man.sh PROGRAM OPTION...
program=$1
shift
output=$("$program" "$@") || exit
printf '%s\n' "$output" | sed -e 's/^\( *-[A-Za-z0-9]\),--/\1, --/' -e 's/^Positionals:$/Arguments:/'
