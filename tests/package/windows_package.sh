# What the Windows package tests share; source it after setting root, probe and version:
# a work folder taken back on every way out (with the Wine server of its own prefix, when one
# was started there), fail, and the package of one kind built by scripts/package from this build
# and checked against its checksum.
source "$root/scripts/lib.sh"
work=$(mktemp -d)
cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ "$WINEPREFIX" = "$work/prefix" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

name=vistrel-$version-win64
# The package with extension $1 (zip, msi), built into $work/dist and checked; prints its path.
checked_package() {
  VISTREL_DIST="$work/dist" "$root/scripts/package" --no-build --no-deb >/dev/null
  local file="$work/dist/$name.$1"
  [ -f "$file" ] || fail "no $name.$1"
  (cd "$work/dist" && sha256sum --quiet -c "$name.$1.sha256") || fail "the $1's checksum does not match"
  echo "$file"
}
