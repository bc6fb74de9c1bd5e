#!/usr/bin/env bash
# The Windows zip as a user gets it: packed by scripts/package from this build, checked against
# its checksum, unpacked into a new folder, and started in a fresh Wine prefix, where the probe
# finds the program's frame and the help beside it.
#   zip_test.sh SOURCE_DIR PROBE_EXE VERSION
set -euo pipefail
root=$1
probe=$2
version=$3
source "$root/tests/package/windows_package.sh"
zip=$(checked_package zip)
size=$(stat -c %s "$zip")
[ "$size" -lt $((3 * 1024 * 1024)) ] || fail "the zip has $size bytes, more than 3 MB"

mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"
dir="$work/unpacked/$name"
for f in Vistrel.exe vistrel.hlp README.txt LICENSE.txt; do
  [ -f "$dir/$f" ] || fail "$f is not in the zip"
done
for f in README.txt LICENSE.txt; do
  lines=$(wc -l < "$dir/$f")
  crlf=$(grep -c $'\r$' "$dir/$f" || true)
  [ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ] || fail "$f does not have Windows line ends"
done
grep -q "Vistrel $version" "$dir/README.txt" || fail "README.txt does not name the version"

# Only system DLLs imported.
mkdir -p "$work/check/bin"
for f in Vistrel.exe QX4210.8ba setup.exe; do
  [ -f "$dir/$f" ] && ln -s "$dir/$f" "$work/check/bin/$f"
done
"$root/scripts/check-imports" "$work/check" >/dev/null || fail "a program imports a DLL that is not a system DLL"

# A prefix of its own, as on a machine that never saw the build.
ensure_display
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
cp "$probe" "$work/probe.exe"
(cd "$dir" && exec wine ./Vistrel.exe >/dev/null 2>&1 </dev/null) &
program=$!
status=0
(cd "$work" && wine ./probe.exe </dev/null) || status=1
# A probe that failed may leave the program up: end this prefix's processes first.
[ $status = 0 ] || wineserver -k >/dev/null 2>&1 || true
wait "$program" || true
[ $status = 0 ] || fail "the unpacked program did not start and show its help"
[ -f "$dir/vistrel.ini" ] || fail "the program kept no settings beside itself"
echo "package_zip_tests: $name.zip unpacks and runs"
