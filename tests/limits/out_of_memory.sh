#!/bin/sh
# Usage: out_of_memory.sh PROGRAM CASE SCRATCH-DIR. Passes when the library ended the program's
# case with its out-of-memory report and exit status 1.
mkdir -p "$3"
out=$("$1" "$2" "$3" 2>&1)
status=$?
printf '%s\nexit status %s\n' "$out" "$status"
[ "$status" -eq 1 ] && printf '%s' "$out" | grep -q 'Out of memory: [A-Z_]'
