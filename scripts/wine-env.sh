# Runs cross-built Windows programs under Wine on a private Xvfb, without any
# dialog and without touching the user's own Wine prefix or desktop menus.
# Source it after common.sh (package installation, Xvfb); it defines
# functions and changes nothing by itself.
#
#   wine_install_packages          wine64, Xvfb, Mesa's GLX (as root)
#   wine_start_xvfb                a private Xvfb when DISPLAY is unset
#   wine_prepare_prefix CACHE_DIR  WINEPREFIX=CACHE_DIR/wineprefix, made once
#   wine_run EXE [ARGS...]         runs EXE, passes its stdout and stderr on,
#                                  returns its exit status (low 8 bits)
#   wine_stop                      ends our wineserver and our Xvfb (trap it on
#                                  EXIT right after wine_start_xvfb)
#
# Everything here uses the 64-bit loader /usr/lib/wine/wine64 of Debian's
# wine64 package directly; the "wine" package (the /usr/bin/wine wrapper,
# which also wants the i386 wine32) is not needed for 64-bit programs.

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

# libgl1-mesa-dri + libglx-mesa0: Mesa's llvmpipe behind GLX, which is what
# Wine's opengl32 (winex11.drv) uses; Xvfb offers the GLX extension itself.
WINE_PACKAGES=(wine64 xvfb libgl1 libglx-mesa0 libgl1-mesa-dri)

wine_install_packages() {
  install_packages_only "${WINE_PACKAGES[@]}" "$@"
}

# The environment every Wine call gets:
#   WINEDEBUG=-all      no fixme/err chatter on stderr (X errors still print:
#                       they come from Xlib, not from Wine's debug channels)
#   WINEDLLOVERRIDES    mscoree/mshtml disabled: no Mono or Gecko install
#                       dialog; winemenubuilder disabled: no .desktop files
#                       and menus written under $HOME
#   WINEPATH            the MinGW runtime DLLs (libstdc++-6, libgcc_s_seh-1,
#                       libwinpthread-1) for programs linked against them
wine_environment() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
  export WINEARCH=win64
  local gcc_dir
  gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll 2>/dev/null)" 2>/dev/null || true)
  export WINEPATH="Z:${gcc_dir//\//\\};Z:\\usr\\x86_64-w64-mingw32\\lib"
}

wine_start_xvfb() {
  [ -n "${DISPLAY:-}" ] && return 0
  start_xvfb
}

# Makes (once) and selects the prefix CACHE_DIR/wineprefix, and keeps one
# wineserver running for it until wine_stop, so that each program starts in
# about a fifth of a second instead of two or three.
wine_prepare_prefix() {
  local cache=$1
  mkdir -p "$cache"
  wine_environment
  export WINEPREFIX
  WINEPREFIX=$(cd "$cache" && pwd)/wineprefix
  if [ ! -f "$WINEPREFIX/.varnox-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$WINE64" wineboot -i >/dev/null 2>&1
    # No debugger on a crash: by default Wine starts winedbg, which waits
    # (a test would hang until its timeout); with an empty debugger the
    # process ends at once with the exception code's low byte (0xC0000005 -> 5).
    "$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
    "$WINESERVER" -w
    touch "$WINEPREFIX/.varnox-ready"
  fi
  # Exits non-zero when a server for this prefix already runs: that one serves.
  "$WINESERVER" -p 2>/dev/null || true
  # The first program of a server session starts Wine's background services
  # (services.exe, winedevice.exe, plugplay.exe, svchost.exe), and they
  # inherit that program's stdout and stderr. Were that a pipe (ctest,
  # gtest discovery, $(...)), its reader would wait for an end of file that
  # comes only when the services end: with a persistent server, never (ctest
  # then stops at its timeout). Start them here, on /dev/null.
  "$WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

# wine_run EXE [ARGS...]: the program's own exit status comes back (modulo
# 256, as for any Unix process: exit(300) reads 44, an unhandled access
# violation reads 5, abort() reads 3).
wine_run() {
  "$WINE64" "$@"
}

wine_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    "$WINESERVER" -k 2>/dev/null || true
  fi
  stop_xvfb
}
