#!/bin/sh
# Checks that every exported function of the library runs its body through kora::guarded, so
# that no exception can leave it: each function of the export list must be defined with KORA_API
# in src/libs, and the statement after the opening brace of each such definition must be the
# guarded call.
# Usage: check-boundary.sh SRC_LIBS_DIR EXPORT_LIST. Prints each fault; exits 1 if any.
status=0
guarded=$(mktemp)
trap 'rm -f "$guarded"' EXIT
for file in "$1"/*.cpp; do
  awk -v file="$(basename "$file")" -v list="$guarded" '
    /^(extern "C" )?KORA_API / {
      signature = $0; waiting = 1
      name = $0; sub(/\(.*/, "", name); sub(/.*[ *]/, "", name)
    }
    waiting && /\{$/ { waiting = 0; expecting = 1; next }
    expecting {
      expecting = 0
      if ($0 ~ /^ *(return )?(kora::)?guarded\(__func__, /) print name >> list
      else { print file ": not guarded: " signature; bad = 1 }
    }
    END { exit bad }' "$file" || status=1
done
for name in $(grep -v -e '^#' -e '^$' "$2"); do
  grep -qx "$name" "$guarded" || { echo "exported but not defined guarded with KORA_API: $name"; status=1; }
done
exit $status
