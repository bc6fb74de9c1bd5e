#!/usr/bin/env bash
# The Windows Installer package as a user gets it: built by scripts/package from this build,
# checked against its checksum, installed silently into a fresh Wine prefix for the current
# user, started from its Start-menu shortcut (the probe finds the frame, the help beside the
# installed program, and closes it, which writes vistrel.ini), then uninstalled silently:
# nothing of the package may be left, only the user's own vistrel.ini.
#   msi_test.sh SOURCE_DIR PROBE_EXE VERSION
set -euo pipefail
root=$1
probe=$2
version=$3
source "$root/tests/package/windows_package.sh"
msi=$(checked_package msi)

# A prefix of its own, as on a machine that never saw the build; no menu entries on this
# machine's desktop from the shortcut.
ensure_display
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
cp "$msi" "$work/$name.msi"
win_msi=$(winepath -w "$work/$name.msi")

winvar() { wine cmd /c "echo %$1%" </dev/null 2>/dev/null | tr -d '\r'; }
local_dir=$(winvar LOCALAPPDATA)
[ -n "$local_dir" ] || fail "no LOCALAPPDATA in the prefix"
app_win="$local_dir\\Programs\\Vistrel"
app=$(winepath -u "$app_win")
app=${app%/}
start_menu=$(winepath -u "$(winvar APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
start_menu=${start_menu%/}

# The value of a registry key's value (or its default with "/ve"), or nothing when it is absent.
reg_value() {  # key (/v NAME | /ve)
  local key=$1
  shift
  wine reg query "$key" "$@" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *\([^ ].*\) *REG_[A-Z_]* *\(.*\)$/\2/p' | head -n 1
}
reg_exists() { wine reg query "$1" </dev/null >/dev/null 2>&1; }

# --- install ---
wine msiexec /i "$win_msi" /qn </dev/null >/dev/null 2>&1 || fail "msiexec /i /qn failed"
for f in Vistrel.exe vistrel.hlp LICENSE.txt; do
  [ -f "$app/$f" ] || fail "$f is not installed in $app_win"
done
cmp -s "$app/vistrel.hlp" "$root/build/win64/bin/vistrel.hlp" 2>/dev/null ||
  [ ! -f "$root/build/win64/bin/vistrel.hlp" ] || fail "the installed vistrel.hlp is not the built one"
[ -f "$start_menu/Vistrel.lnk" ] || fail "no Start-menu shortcut Vistrel.lnk"
wine uninstaller --list </dev/null 2>/dev/null | tr -d '\r' | grep -q '|||Vistrel$' ||
  fail "no uninstall entry for Vistrel"

exe_win="$app_win\\Vistrel.exe"
open_command="\"$exe_win\" %1"
[ "$(reg_value 'HKCU\Software\Classes\.alb' /ve)" = Vistrel.Album ] ||
  fail ".alb is not an album of Vistrel"
[ "$(reg_value 'HKCU\Software\Classes\Vistrel.Album\shell\open\command' /ve)" = "$open_command" ] ||
  fail "albums do not open with $open_command"
[ "$(reg_value 'HKCU\Software\Classes\Vistrel.Picture\shell\open\command' /ve)" = "$open_command" ] ||
  fail "pictures do not open with $open_command"
for ext in .jpg .jpeg .bmp; do
  reg_exists "HKCU\\Software\\Classes\\$ext\\OpenWithProgids" &&
    wine reg query "HKCU\\Software\\Classes\\$ext\\OpenWithProgids" /v Vistrel.Picture \
      </dev/null >/dev/null 2>&1 || fail "Vistrel is not offered to open $ext files"
done
[ "$(reg_value 'HKCU\Software\Classes\Applications\Vistrel.exe\shell\open\command' /ve)" = \
  "$open_command" ] || fail "Vistrel.exe is not listed among the applications"

# --- start the installed program from its shortcut ---
cp "$probe" "$work/probe.exe"
(cd "$work" && wine start /unix "$start_menu/Vistrel.lnk" >/dev/null 2>&1 </dev/null) ||
  fail "the Start-menu shortcut does not start"
status=0
out=$(cd "$work" && wine ./probe.exe </dev/null | tr -d '\r') || status=1
[ $status = 0 ] || wineserver -k >/dev/null 2>&1 || true
[ $status = 0 ] || fail "the installed program did not start and show its help: $out"
echo "$out" | grep -qiF "program at $exe_win" || fail "the started program is not the installed one: $out"
[ -f "$app/vistrel.ini" ] || fail "the installed program kept no settings beside itself"
cp "$app/vistrel.ini" "$work/vistrel.ini.before"

# --- uninstall ---
wine msiexec /x "$win_msi" /qn </dev/null >/dev/null 2>&1 || fail "msiexec /x /qn failed"
left=$(cd "$app" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "./vistrel.ini " ] || fail "left in $app_win after the uninstall: $left"
cmp -s "$app/vistrel.ini" "$work/vistrel.ini.before" || fail "the uninstall changed vistrel.ini"
[ ! -e "$start_menu/Vistrel.lnk" ] || fail "the Start-menu shortcut is left"
for key in 'HKCU\Software\Classes\.alb' 'HKCU\Software\Classes\Vistrel.Album' \
  'HKCU\Software\Classes\Vistrel.Picture' 'HKCU\Software\Classes\Applications\Vistrel.exe' \
  'HKCU\Software\Vistrel\Installer'; do
  ! reg_exists "$key" || fail "$key is left after the uninstall"
done
for ext in .jpg .jpeg .bmp; do
  ! wine reg query "HKCU\\Software\\Classes\\$ext\\OpenWithProgids" /v Vistrel.Picture \
    </dev/null >/dev/null 2>&1 || fail "$ext still offers Vistrel"
done
! wine uninstaller --list </dev/null 2>/dev/null | tr -d '\r' | grep -q '|||Vistrel$' ||
  fail "the uninstall entry is left"
echo "msi_test: $name.msi installs, runs and uninstalls leaving only vistrel.ini"
