#!/bin/sh
# Makes the fixtures of Info-ZIP's zip: a tree with folder entries (zip -r),
# a UTF-8 name, and a stream written with data descriptors (zip - from a pipe).
set -e
here=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p top/inner/deeper
printf 'inner a\n' > top/inner/a.txt
printf 'deeper b\n' > top/inner/deeper/b.txt
printf 'top c\n' > top/c.txt
printf 'gr\303\274n\n' > "$(printf 'top/gr\303\274n.txt')"
LC_ALL=C.UTF-8 zip -qr "$here/zip_tree.zip" top
printf 'from a pipe\n' | zip -q - - > "$here/zip_stream.zip"
