# Shared helpers of the scripts: installing what a fresh Debian 12 machine lacks, the MinGW
# build of libjpeg-turbo, the X display and the private Wine prefix. Source it; do not run it.

VISTREL_ROOT=${VISTREL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
VISTREL_PACKAGES=(
  cmake make g++ googletest libgtest-dev libbenchmark-dev libjpeg62-turbo-dev libcli11-dev
  libcairo2-dev pkg-config
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix nasm dpkg-dev
  wine wine64 fonts-wine xvfb xauth libjpeg-turbo-progs imagemagick clang zip unzip ghostscript
  wixl
)

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# What the native build alone needs (the demo).
VISTREL_NATIVE_PACKAGES=(cmake make g++ googletest libgtest-dev libjpeg62-turbo-dev libcli11-dev
  libcairo2-dev pkg-config)

# Installs the Debian packages that are missing (all of them, or the ones named); a machine that
# has them pays one dpkg query each.
ensure_packages() {
  local missing=()
  local status
  local wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] || wanted=("${VISTREL_PACKAGES[@]}")
  for p in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# libjpeg-turbo for MinGW, built once from Debian's source package and cached under build/:
#   build_libjpeg_mingw NAME TOOLCHAIN LABEL   (into build/deps/libjpeg-NAME)
build_libjpeg_mingw() {
  local name=$1 toolchain=$2 label=$3
  local prefix="$VISTREL_ROOT/build/deps/libjpeg-$name"
  [ -f "$prefix/lib/libjpeg.a" ] && return 0
  echo "== building libjpeg-turbo for $label"
  local work="$VISTREL_ROOT/build/deps/libjpeg-src-$name"
  rm -rf "$work" && mkdir -p "$work"
  local list=/etc/apt/sources.list.d/vistrel-deb-src.sources
  as_root tee "$list" >/dev/null <<'EOS'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOS
  as_root apt-get update -qq -o Dir::Etc::sourcelist="$list" -o Dir::Etc::sourceparts=- \
    -o APT::Get::List-Cleanup=0
  (cd "$work" && apt-get source --download-only -qq libjpeg-turbo 2>/dev/null)
  as_root rm -f "$list"
  local tarball
  tarball=$(ls "$work"/libjpeg-turbo_*.orig.tar.gz | head -n 1)
  tar -xzf "$tarball" -C "$work"
  local src
  src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo*' | head -n 1)
  cmake -S "$src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$VISTREL_ROOT/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON \
    -DWITH_TURBOJPEG=OFF -DCMAKE_INSTALL_PREFIX="$prefix" >"$work/configure.log"
  cmake --build "$work/build" -j2 >"$work/build.log"
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
}
ensure_libjpeg_win64() { build_libjpeg_mingw win64 mingw-w64-x86_64.cmake MinGW-w64; }
# The 32-bit build (i686), for the build that proves the module's 32-bit host layout.
ensure_libjpeg_win32() { build_libjpeg_mingw win32 mingw-w64-i686.cmake "MinGW-w64 i686"; }

# An X display for Wine: the one that is set, or a private Xvfb.
ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n=93
  # A server that was killed leaves its lock and socket behind: clear them so that a new one
  # starts instead of every window test failing on a dead display.
  local lock=/tmp/.X$n-lock
  if [ -f "$lock" ] && ! kill -0 "$(tr -d ' ' <"$lock")" 2>/dev/null; then
    rm -f "$lock" /tmp/.X11-unix/X$n
  fi
  [ -f "$lock" ] || rm -f /tmp/.X11-unix/X$n
  if [ ! -e /tmp/.X11-unix/X$n ]; then
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VISTREL_XVFB_PID=$!
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  fi
  export DISPLAY=:$n
}

wine_env() {
  export WINEPREFIX="$VISTREL_ROOT/build/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# The private Wine prefix, made once (a first use from several processes at once fails), and a
# server kept up so that each test program starts quickly.
ensure_wine_prefix() {
  wine_env
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== making the Wine prefix"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    # No crash dialog: a crashing test must fail, not wait for a click.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashNotifications /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # COM1 is the simulator's terminal (tests start vistrel-camsim with this link); Wine reads
  # its port table when the server starts, so it is written before the server is kept up.
  local com1="$VISTREL_ROOT/build/camsim-com1"
  if [ ! -f "$WINEPREFIX/.vistrel-ports" ] || [ "$(cat "$WINEPREFIX/.vistrel-ports")" != "$com1 v2" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$com1" /f >/dev/null 2>&1 || true
    # COM4 stays unmapped: the tests' port that has no device behind it.
    wine reg delete 'HKLM\Software\Wine\Ports' /v COM2 /f >/dev/null 2>&1 || true
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w || true
    rm -f "$WINEPREFIX/dosdevices/com2" "$WINEPREFIX/dosdevices/com4"
    echo "$com1 v2" > "$WINEPREFIX/.vistrel-ports"
  fi
  ensure_wine_fonts
  wineserver -p >/dev/null 2>&1 || true
  # Start Wine's own services now, detached from our output: started later by a test, they
  # would inherit CTest's pipe and keep it waiting until they exit.
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

# Wine's own fonts (Debian's fonts-wine: Tahoma, MS Sans Serif, Marlett whose symbols draw the
# caption buttons, ...) are found by this Wine build only in the prefix's Fonts folder; without
# them every window shows "0 1 r" for its caption buttons and a substitute face. Copied in
# when missing or older.
ensure_wine_fonts() {
  local from=/usr/share/wine/fonts
  local to="$WINEPREFIX/drive_c/windows/Fonts"
  [ -d "$from" ] && [ -d "$to" ] || return 0
  local f
  for f in "$from"/*.ttf "$from"/*.fon; do
    [ -f "$f" ] || continue
    if [ -f "$to/${f##*/}" ] && ! [ "$f" -nt "$to/${f##*/}" ]; then continue; fi
    cp -p "$f" "$to/" 2>/dev/null || true
  done
}

stop_helpers() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${VISTREL_XVFB_PID:-}" ]; then kill "$VISTREL_XVFB_PID" 2>/dev/null || true; fi
}
