#!/bin/sh
# Fails when a library of the program uses a symbol that only a library it does not link
# defines. Each line of the graph file: an archive, then the archives it links.
set -eu
graph=$1
defined=$(mktemp)
trap 'rm -f "$defined"' EXIT
while read -r archive _; do
  nm --defined-only -g "$archive" 2>/dev/null |
    awk -v a="$archive" 'NF == 3 && $2 ~ /^[TDBR]$/ { print $3, a }'
done < "$graph" | sort -u > "$defined"
status=0
while read -r archive linked; do
  found=$(nm -u "$archive" 2>/dev/null | awk '{ print $NF }' | sort -u | join - "$defined" |
    awk -v self="$archive" -v linked=" $linked " \
      '$2 != self && index(linked, " " $2 " ") == 0 { print "  " $1 " from " $2 }')
  if [ -n "$found" ]; then
    echo "$archive uses symbols of libraries it does not link:"
    echo "$found"
    status=1
  fi
done < "$graph"
exit $status
