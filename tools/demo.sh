#!/usr/bin/env bash
# Tembril at work: sets the machine up if needed, builds the add-in and the
# host stand-in, then runs the real Tembril.dll inside the stand-in under Wine
# against the sample keyword lists and presses F1 on a handful of words.
# For each it prints the keyword captured, the list it was found in, that
# list's help target and what was opened. What was opened is seen from
# outside the add-in: WinHelp requests by the host's WinHelp-class window,
# programs and H2Viewer.exe by recorder programs standing in for them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
. tools/preset.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Tembril testhost H2Viewer lookup kwltool

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/Addins" "$demo/Help" "$demo/Bin"
cp "$build/Tembril.dll" "$build/testhost/H2Viewer.exe" "$build/testhost/lookup.exe" samples/*.kwl "$demo/Addins/"
cp "$build/testhost/testhost.exe" samples/Varnok.ini samples/Masm32.ini samples/sample.asm "$demo/"
app="Z:$(realpath "$demo" | tr / '\\')"

# Each case: "## number|settings file in force|what it shows", then the actions.
cat >"$demo/demo.script" <<'EOF'
menu 0
echo ## 1|Masm32.ini|a keyword with an alias
at jz 1
f1
echo ## 2|Masm32.ini|a directive with its "."
at .data 3
f1
echo ## 3|Masm32.ini|a selection, a Win32 name with an alias, HTML Help 2
select-text MessageBoxA
f1
echo ## 4|Masm32.ini|a word in no list (Masm32.ini does not enable default)
at msg 1
f1
echo ## 5|Varnok.ini|the same word, falling to "default" of the global settings
assembler none
reload
at msg 1
f1
EOF

echo
echo "Running Tembril.dll in the host stand-in (Wine, headless), settings of the assembler Masm32 first"
out=$(TEMBRIL_TIMEOUT=120 "$build/wine-run" "$demo/testhost.exe" -app "$app" -assembler Masm32 \
    -script "$app\\demo.script" | tr -d '\r')

# Settings and lists, read the way the add-in reads them (case-blind keys).
ini_value() {  # file key
    awk -v key="$(echo "$2" | tr A-Z a-z)" '
        /^\[/ { inside = tolower($0) ~ /^\[tembril\]/; next }
        inside { at = index($0, "="); if (at && tolower(substr($0, 1, at - 1)) == key) { print substr($0, at + 1); exit } }
    ' "$demo/$1" | tr -d '\r'
}
lower() { tr A-Z a-z; }
# What opening a help target looks like from outside, to tell the lists apart.
target_mark() {  # target
    local t
    t=$(printf '%s' "$1" | lower)
    case "$t" in
    \"*) t=${t#\"}; t=${t%%\"*}; echo "program:${t##*\\}" ;;
    ms-help:*) echo "h2:$t" ;;
    *) echo "winhelp:${t##*\\}" ;;
    esac
}
opened_mark() {  # "opened: ..." line
    case "$1" in
    "opened: winhelp "*) local f=${1#*file=}; f=${f% key=*}; echo "winhelp:${f##*\\}" ;;
    "opened: H2Viewer.exe "*) local u=${1#*/helpcol }; echo "h2:${u%% *}" ;;
    "opened: "*" cmdline="*) local p=${1#opened: }; echo "program:$(printf '%s' "${p%% cmdline=*}" | lower)" ;;
    esac
}

echo
echo "$out" | grep -E '^(load|install):' | sed 's/^/  host: /'
echo "  host: the add-in's menu item chosen (the stand-in closes what opens):"
{ echo "$out" | grep -E '^(dialog|box):' || true; } | head -3 | sed 's/^/  host:   /'
echo "$out" | grep -E '^menu: dialogs=' | sed 's/^/  host:   /'
echo
printf '%s\n' "$out" | awk '/^> echo ## /{ sub(/^> echo ## /, ""); print "@@" $0; next } /^(help|editor|host|opened|box):/' >"$demo/cases.txt"

while IFS= read -r head; do
    IFS='|' read -r number ini what <<<"${head#@@}"
    block=$(awk -v h="$head" '$0 == h { on = 1; next } /^@@/ { on = 0 } on' "$demo/cases.txt")
    word=$(echo "$block" | sed -n 's/^help: selection=.* word="\(.*\)"$/\1/p' | head -1)
    selected=$(echo "$block" | sed -n 's/^editor: EM_GETSELTEXT -> "\(.*\)"$/\1/p' | head -1)
    before=$(echo "$block" | sed -n 's/^editor: EM_GETTEXTRANGE .* -> "\(.*\)"$/\1/p' | head -1)
    result=$(echo "$block" | sed -n 's/^help: result=//p' | head -1)
    opened=$(echo "$block" | grep -E '^(opened|box):' || true)
    if [ -n "$selected" ]; then
        keyword=$(printf '%s' "${selected#"${selected%%[! 	]*}"}" | lower)
        how="the selection \"$selected\""
    else
        keyword=$( { [ "$before" = "." ] && printf '.'; printf '%s' "$word"; } | lower)
        how="the word at the caret \"$word\"${before:+, \"$before\" before it}"
    fi

    list="(none)" target="(none)"
    mark=$(opened_mark "$(echo "$opened" | head -1)")
    if [ -n "$mark" ]; then
        for name in $(ini_value "$ini" KeywordLists | tr , ' '); do
            t=$(ini_value "$ini" "$name")
            if [ "$(target_mark "$t")" = "$mark" ]; then
                list=$name target=$t
                break
            fi
        done
    fi
    entry=""
    if [ "$list" != "(none)" ] && [ -f "$demo/Addins/$list.kwl" ]; then
        entry=$(tr -d '\r' <"$demo/Addins/$list.kwl" | grep -m1 -xE "$(printf '%s' "$keyword" | sed 's/[.[\*^$]/\\&/g')(=.*)?" || true)
    fi

    echo "[$number] $what"
    echo "    settings in force : $ini"
    echo "    keyword captured  : $keyword   (from $how)"
    if [ "$list" = "default" ]; then
        echo "    list              : default   (in no enabled list)"
    elif [ "$list" != "(none)" ]; then
        echo "    list              : $list   ($list.kwl: \"$entry\")"
    else
        echo "    list              : (none)   (in no enabled list, and default is not enabled)"
    fi
    echo "    help target       : $target"
    echo "    DllProc result    : $result"
    echo "$opened" | sed 's/^opened: /    opened            : /; s/^box: /    box shown         : /'
    echo
done < <(grep '^@@' "$demo/cases.txt")

echo "The list author's tool on the sample lists ($build/kwltool/kwltool.exe):"
cp "$build/kwltool/kwltool.exe" "$demo/Addins/"
wine_run=$(realpath "$build/wine-run")
(cd "$demo/Addins" && "$wine_run" kwltool.exe check --ini ../Varnok.ini --assembler-ini ../Masm32.ini \
    directives.kwl win32api.kwl x86.kwl | tr -d '\r' | sed 's/^/  /')
echo
echo "The stand-in and the demo's files are in $demo."
echo "With a display, run it yourself (F1 on any word, the add-in's item in the ninth menu, "插件"):"
echo "  bash tools/ide.sh"
