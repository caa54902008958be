#!/usr/bin/env bash
# Builds the Windows dependencies of Varnox from Debian's own source packages,
# cross-compiled with MinGW-w64 (x86_64, POSIX threads) as static libraries:
#   libyuv      (source package libyuv)     -> PREFIX/lib/libyuv.a, PREFIX/include/libyuv*
#   GoogleTest  (source package googletest) -> PREFIX/lib/libgtest*.a, libgmock*.a,
#                                              PREFIX/lib/cmake/GTest
# Usage: windows-deps.sh [CACHE_DIR]
#   (default: $VARNOX_WINDOWS_CACHE, else ~/.cache/varnox/windows)
# Prints the prefix on its last line. Idempotent: a second run with the same
# toolchain file, compiler and source versions does nothing and needs no network.
#
# The sources come through apt-get source with an apt configuration of its own
# under CACHE_DIR/apt (deb-src lines for bookworm, bookworm-updates and
# bookworm-security, signed by Debian's archive keyring), so the machine's
# /etc/apt is left as it is and no other apt-get update pays for Sources lists.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/common.sh"
root=$VARNOX_ROOT
toolchain=${VARNOX_MINGW_TOOLCHAIN:-$root/cmake/mingw-w64-x86_64.cmake}
cache=${1:-${VARNOX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnox/windows}}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
prefix=$cache/prefix
jobs=${JOBS:-$(nproc)}
# Raise when the recipe below changes, so that old caches are rebuilt.
recipe=1

packages=(g++-mingw-w64-x86-64-posix cmake make dpkg-dev)

log() { printf '[windows-deps] %s\n' "$*" >&2; }

# apt-get with the private source list, lists and cache.
apt_src() {
  local a=$cache/apt
  apt-get -q \
    -o Dir::Etc::SourceList="$a/sources.list" \
    -o Dir::Etc::SourceParts="$a/sources.list.d" \
    -o Dir::State::Lists="$a/lists" \
    -o Dir::Cache="$a/cache" \
    -o APT::Sandbox::User="$(id -un)" \
    "$@"
}

setup_apt_sources() {
  local a=$cache/apt
  mkdir -p "$a/lists/partial" "$a/cache/archives/partial" "$a/sources.list.d"
  local key=/usr/share/keyrings/debian-archive-keyring.gpg
  cat >"$a/sources.list.new" <<EOF
deb-src [signed-by=$key] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$key] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$key] http://deb.debian.org/debian-security bookworm-security main
EOF
  if ! cmp -s "$a/sources.list.new" "$a/sources.list" 2>/dev/null; then
    mv "$a/sources.list.new" "$a/sources.list"
    rm -f "$a/lists/"*Sources* "$a/lists/"*Release*
  else
    rm -f "$a/sources.list.new"
  fi
  if ! ls "$a/lists/"*_source_Sources* >/dev/null 2>&1; then
    log "apt-get update (deb-src, private lists in $a)"
    apt_src update -qq
  fi
}

# fetch_source PACKAGE -> prints the unpacked source folder
# The newest bookworm version is fetched once; later runs reuse what is there.
fetch_source() {
  local pkg=$1 dir=$cache/src/$1 found
  found=$(find "$dir" -mindepth 1 -maxdepth 1 -type d 2>/dev/null | sort | tail -n1)
  if [ -z "$found" ]; then
    setup_apt_sources
    rm -rf "$dir.tmp" && mkdir -p "$dir.tmp"
    log "apt-get source $pkg"
    (cd "$dir.tmp" && apt_src source "$pkg" >/dev/null)
    rm -rf "$dir" && mv "$dir.tmp" "$dir"
    found=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | sort | tail -n1)
  fi
  [ -n "$found" ] || { log "no source for $pkg"; return 1; }
  echo "$found"
}

# The Debian version of an unpacked source folder, from its changelog.
source_version() { sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' "$1/debian/changelog"; }

build_libyuv() {
  local src=$1 b=$cache/build/libyuv
  log "libyuv $(source_version "$src"): configure and build"
  rm -rf "$b"
  # Only the static library target: the upstream list also defines a shared
  # library and two tools, none of which Varnox needs. JPEG support stays off
  # (no MinGW libjpeg in the find root), as Varnox never decodes MJPEG.
  cmake -S "$src" -B "$b" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DTEST=OFF \
    -Wno-dev >"$b.configure.log" 2>&1 || { cat "$b.configure.log" >&2; return 1; }
  cmake --build "$b" --target yuv -j "$jobs" >"$b.build.log" 2>&1 || { tail -50 "$b.build.log" >&2; return 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$b/libyuv.a" "$prefix/lib/"
  cp -r "$src/include/." "$prefix/include/"
}

build_googletest() {
  local src=$1 b=$cache/build/googletest
  log "googletest $(source_version "$src"): configure and build"
  rm -rf "$b"
  cmake -S "$src" -B "$b" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
    >"$b.configure.log" 2>&1 || { cat "$b.configure.log" >&2; return 1; }
  cmake --build "$b" -j "$jobs" >"$b.build.log" 2>&1 || { tail -50 "$b.build.log" >&2; return 1; }
  cmake --install "$b" >/dev/null
}

# Standard output carries only the prefix (last line): apt's talk goes to
# standard error.
install_packages_only "${packages[@]}" >&2

compiler_id=$(x86_64-w64-mingw32-g++-posix --version | head -n1)
yuv_src=$(fetch_source libyuv)
gtest_src=$(fetch_source googletest)
stamp_text="recipe=$recipe
toolchain=$(sha256sum "$toolchain" | cut -d' ' -f1)
compiler=$compiler_id
libyuv=$(source_version "$yuv_src")
googletest=$(source_version "$gtest_src")"

if [ -f "$prefix/.stamp" ] && [ "$(cat "$prefix/.stamp")" = "$stamp_text" ]; then
  log "up to date: $prefix"
  echo "$prefix"
  exit 0
fi

rm -rf "$prefix" "$cache/build"
mkdir -p "$prefix" "$cache/build"
SECONDS=0
build_libyuv "$yuv_src"
log "libyuv built in ${SECONDS}s"
SECONDS=0
build_googletest "$gtest_src"
log "googletest built in ${SECONDS}s"
# The build trees are only needed for their logs; keep the cache small.
find "$cache/build" -mindepth 1 -maxdepth 1 -type d -exec rm -rf {} +
printf '%s\n' "$stamp_text" >"$prefix/.stamp"
log "done: $prefix"
echo "$prefix"
