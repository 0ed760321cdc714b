#!/usr/bin/env bash
# The release as a user meets it, under Wine on the X display in DISPLAY: the installer run
# silently for the current user, the installed Tamsel started from its folder and used with the
# keyboard (a browsing mode, an article, the About box, Quorvi from the menu), an answer given in
# Quorvi and found in the bank after Quorvi has ended, then the uninstaller, which must leave
# nothing behind. Screenshots go to SMOKE_SHOTS when it is set.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/windows/common.sh
export WINEPREFIX=${WINEPREFIX:-$TAMSEL_WINDOWS_CACHE/wineprefix}
run=tools/windows/wine-run.sh
installer=$(ls dist/windows/Tamsel-*-setup.exe | head -n1)
folder=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Local/Programs/Tamsel
menu="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tamsel"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tamsel'

fail() { echo "smoke: $*" >&2; exit 1; }
shot() { [ -n "${SMOKE_SHOTS:-}" ] && import -window root "$SMOKE_SHOTS/$1.png" || true; }
# Waits for a top-level window whose name matches, and prints its id.
window() { timeout "${2:-30}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n1; }
keys() { xdotool key --delay 150 "$@"; sleep 1; }
# Opens the main window's menu bar with the keyboard, goes `right` menus along and `down` items
# down, and chooses the item.
menu_item() {
    local moves=() i
    for ((i = 0; i < $1; i++)); do moves+=(Right); done
    moves+=(Down)
    for ((i = 0; i < $2; i++)); do moves+=(Down); done
    timeout 5 xdotool windowfocus "$main" || true; sleep 0.5
    keys alt
    keys "${moves[@]}" Return
}

echo "-- installing"
$run "$installer" /S /CurrentUser || fail "the installer failed"
for file in Tamsel.exe Quorvi.exe jetread.exe Qt6Core.dll platforms/qwindows.dll vb.MDB shiti.mdb uninstall.exe; do
    [ -f "$folder/$file" ] || fail "not installed: $file"
done
[ -f "$menu/Tamsel VB 学习参考.lnk" ] && [ -f "$menu/Quorvi VB 考试.lnk" ] || fail "no Start-menu entries"
$run reg query "$key" >/dev/null || fail "no uninstall entry"

echo "-- Tamsel"
(cd "$folder" && TAMSEL_WINE_TIMEOUT=300 "$OLDPWD/$run" "$folder/Tamsel.exe" >/dev/null 2>&1 &)
main=$(window '^Tamsel$' 60)
[ -n "$main" ] || fail "Tamsel showed no window"
sleep 2
shot tamsel-start
menu_item 2 1  # 内容 > VB实例
keys Down Return Tab Down Return  # the first category, its first article
reader=$(window '屏蔽系统热键' 20)
[ -n "$reader" ] || fail "the article did not open in the reading window"
shot tamsel-article
keys Escape  # the reading window closes; the main window has the keys again
menu_item 3 0  # 帮助 > 关于
about=$(window '关于' 20)
[ -n "$about" ] || fail "the About box did not open"
shot tamsel-about
keys Escape
menu_item 2 4  # 内容 > vbQuorvi
quorvi=$(window 'Quorvi|考试' 30)
[ -n "$quorvi" ] || fail "Quorvi did not start from Tamsel"
sleep 2
shot quorvi-start
answers() {
    python3 - "$folder/shiti.mdb" <<'PY'
import sqlite3, sys
db = sqlite3.connect(f"file:{sys.argv[1]}?mode=ro", uri=True)
print(db.execute('SELECT "用户答案" FROM "第一套题" LIMIT 1').fetchone()[0] or "-")
PY
}
before=$(answers)
# A choice of the first question other than the one stored, with the mouse (pressed and
# released as a hand does).
choice=A
offset=21
[ "$before" = A ] && choice=B && offset=117
xdotool mousemove --window "$quorvi" "$offset" 424
sleep 0.3
xdotool mousedown 1
sleep 0.1
xdotool mouseup 1
sleep 1.5
shot quorvi-answered
after=$(answers)
[ "$after" = "$choice" ] || fail "the answer was not stored (first question: $before before, $after after)"
echo "answer stored: first question $before before, $after after"
# Quorvi ended and started again, from its own folder: the answer is still there.
$run taskkill /IM Quorvi.exe >/dev/null 2>&1 || true
for _ in $(seq 40); do pgrep -f 'Programs.Tamsel.Quorvi\.exe' >/dev/null || break; sleep 0.5; done
(cd "$folder" && TAMSEL_WINE_TIMEOUT=120 "$OLDPWD/$run" "$folder/Quorvi.exe" >/dev/null 2>&1 &)
quorvi=$(window '^Quorvi$' 30)
[ -n "$quorvi" ] || fail "Quorvi did not start again"
sleep 2
shot quorvi-restarted
[ "$(answers)" = "$after" ] || fail "the answer did not survive a restart"
$run taskkill /IM Quorvi.exe >/dev/null 2>&1 || true
# Files of a running program cannot be removed on Windows: both programs are asked to close, as
# the system asks them, and must have ended.
$run taskkill /IM Tamsel.exe >/dev/null 2>&1 || true
for _ in $(seq 40); do pgrep -f 'Programs.Tamsel.(Tamsel|Quorvi)\.exe' >/dev/null || break; sleep 0.5; done
! pgrep -f 'Programs.Tamsel.(Tamsel|Quorvi)\.exe' >/dev/null || fail "the programs did not end"

echo "-- uninstalling"
$run "$folder/uninstall.exe" /S /CurrentUser || fail "the uninstaller failed"
# The uninstaller copies itself away and runs from there: wait for it to finish.
for _ in $(seq 60); do [ -e "$folder" ] || break; sleep 0.5; done
[ ! -e "$folder" ] || { find "$folder"; fail "the install folder is left behind"; }
[ ! -e "$menu" ] || fail "the Start-menu folder is left behind"
! $run reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is left behind"
echo "smoke: ok"
