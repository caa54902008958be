# Shared by scripts/build-windows and scripts/test-windows: packages, the
# cross-built dependencies and configuring a MinGW-w64 tree. Source it after
# common.sh; it defines functions and changes nothing by itself.

VARNOX_WINDOWS_CACHE=${VARNOX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnox/windows}
export VARNOX_WINDOWS_CACHE

# The cross compiler and the build tools, as root when any is missing.
windows_install_build_packages() {
  install_packages_only g++-mingw-w64-x86-64-posix cmake make dpkg-dev debian-archive-keyring ca-certificates
}

# Cross-builds libyuv and GoogleTest once (cached) and prints their prefix.
windows_dependencies() {
  "$VARNOX_ROOT/scripts/windows-deps.sh" "$VARNOX_WINDOWS_CACHE" | tail -n1
}

# windows_configure TREE PREFIX [CMAKE ARGS...]
# A tree whose libyuv was found in another dependency folder (another cache)
# is configured afresh: its cache would keep the old folder's paths.
windows_configure() {
  local tree=$1 prefix=$2 cached fresh=()
  shift 2
  cached=$(sed -n 's/^YUV_LIBRARY:FILEPATH=//p' "$tree/CMakeCache.txt" 2>/dev/null || true)
  if [ -n "$cached" ] && [ "${cached#"$prefix"/}" = "$cached" ]; then
    fresh=(--fresh)
  fi
  cmake "${fresh[@]}" -S "$VARNOX_ROOT" -B "$tree" \
    -DCMAKE_TOOLCHAIN_FILE="$VARNOX_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DVARNOX_MINGW_PREFIX="$prefix" -DVARNOX_WERROR=ON "$@" >/dev/null
}

# windows_copy_runtime_dlls TREE FOLDER: the compiler's runtime DLLs, which
# every program and varnox.dll need beside them.
windows_copy_runtime_dlls() {
  local dll
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp "$1/bin/$dll" "$2/"
  done
}
