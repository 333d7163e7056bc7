#!/bin/sh
# The install note, as the package ships it: whole (its last line ends a
# sentence), naming every file that make-dist.sh puts in the package and every
# kwltool command with an example, and writable in the code page it ships in.
# usage: install_note_test.sh SOURCE_DIR [NOTE]
root=$1
note=${2:-$root/dist/INSTALL.txt}
failed=0
fail() { echo "$note: $*"; failed=1; }

last=$(grep -v '^[[:space:]]*$' "$note" | tail -n 1)
case $last in
*.) ;;
*) fail "cut off: the last line does not end a sentence: $last" ;;
esac

files="INSTALL.txt"
for source in $(sed -n 's/^cp \(.*\) "\$out\/"$/\1/p' "$root/dist/make-dist.sh"); do
    for path in "$root"/$source; do
        files="$files ${path##*/}"
    done
done
[ "$files" != "INSTALL.txt" ] || fail "no files found in make-dist.sh's copy"
for file in $files; do
    grep -q "$file" "$note" || fail "does not name $file, which the package holds"
done

for command in $(sed -n 's/^ *"  kwltool \([a-z]*\) .*/\1/p' "$root/kwltool/main.cpp"); do
    grep -q "^  kwltool $command " "$note" || fail "has no example of kwltool $command"
done

iconv -f UTF-8 -t GBK "$note" >/dev/null || fail "cannot be written in code page 936"
[ $failed = 0 ] && echo "$note: whole, $(echo $files | wc -w) files and every kwltool command named"
exit $failed
