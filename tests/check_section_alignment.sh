#!/bin/sh
# Fails when a section of the executable that has data in the file does not start on a 4 KiB
# boundary there. Wine's loader maps such a section from the file; any other it copies into
# the process's own memory at start, and for the resource section that is the whole product.
objdump=$1
exe=$2
sections=$("$objdump" -h "$exe" | awk '$1 ~ /^[0-9]+$/ && $2 != ".bss" {print $2, $6}')
[ -n "$sections" ] || { echo "no sections found in $exe"; exit 1; }
bad=0
while read -r name offset; do
    if [ $((0x$offset % 4096)) -eq 0 ]; then
        echo "ok: $name at 0x$offset"
    else
        echo "NOT ON A PAGE: $name at 0x$offset"
        bad=1
    fi
done <<EOF
$sections
EOF
exit $bad
