#!/usr/bin/env bash
# The Debian package of the Linux tools, made from this build tree and unpacked into a scratch
# root: its programs run from there and say the project's version, its pages are there.
#   deb_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -B "$work/out" >/dev/null) || fail "cpack failed"
deb=$(ls "$work"/out/vistrel-tools_"$version"_*.deb) || fail "no package for version $version"
info=$(dpkg-deb --info "$deb")
grep -q "Package: vistrel-tools" <<<"$info" || fail "wrong package name"
grep -q "Depends:.*libjpeg62-turbo" <<<"$info" || fail "libjpeg is not a dependency"
dpkg -x "$deb" "$work/root"
for f in usr/bin/vistrel-cli usr/bin/vistrel-camsim usr/share/man/man1/vistrel-cli.1.gz \
         usr/share/man/man1/vistrel-camsim.1.gz usr/share/doc/vistrel-tools/copyright; do
  [ -f "$work/root/$f" ] || fail "$f is not in the package"
done
# The pages are compressed and still the pages.
for page in vistrel-cli vistrel-camsim; do
  gzip -dc "$work/root/usr/share/man/man1/$page.1.gz" | grep -q '^\.TH' ||
    fail "$page.1.gz is not a manual page"
done
out=$("$work/root/usr/bin/vistrel-cli" --version) || fail "vistrel-cli --version failed"
[ "$out" = "vistrel-cli $version" ] || fail "vistrel-cli --version said '$out'"
"$work/root/usr/bin/vistrel-camsim" --help >/dev/null 2>&1 || fail "vistrel-camsim does not start"
# Stripped: no debug sections in what we ship.
sections=$(objdump -h "$work/root/usr/bin/vistrel-cli")
if grep -q '\.debug_info' <<<"$sections"; then
  fail "vistrel-cli carries debug information"
fi
echo "package_deb_tests: $(basename "$deb") installs and runs"
