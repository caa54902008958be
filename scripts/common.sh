# Shared by the project's scripts: package installation and a private Xvfb.
# Source it; it defines functions and changes nothing by itself.

VARNOX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the tests and the benchmark need.
VARNOX_PACKAGES=(
  g++ make cmake pkg-config
  libgl-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libx11-dev libxcomposite-dev
  libyuv-dev libgtest-dev libgmock-dev libbenchmark-dev
  libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev xkb-data weston
  xvfb x11-utils apitrace clang-format git libpng-dev zlib1g-dev libturbojpeg0-dev nlohmann-json3-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev ffmpeg
)

# Installs exactly the Debian packages named that are missing, as root
# (apt-get update once, then install; waits for another apt run to finish).
install_packages_only() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing Debian packages (run as root to install them): ${missing[*]}" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
}

# The Linux build's whole list, and any packages named besides.
install_packages() {
  install_packages_only "${VARNOX_PACKAGES[@]}" "$@"
}

# Starts an Xvfb of our own and points DISPLAY at it; its pid is kept for
# stop_xvfb. The 24-bit screen is what Mesa's GLX visuals and Wine's window
# pixel formats are made for. -noreset: an X server resets itself whenever
# its last client leaves, and drops connections that arrive meanwhile
# (ECONNRESET), so a test that opened its connection just after the one
# before closed would find no server.
VARNOX_XVFB_PID=
start_xvfb() {
  local ready
  ready=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$ready" >/dev/null 2>&1 &
  VARNOX_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$ready" ] && break
    sleep 0.1
  done
  if [ ! -s "$ready" ]; then
    echo "Xvfb did not start" >&2
    rm -f "$ready"
    stop_xvfb
    return 1
  fi
  export DISPLAY=":$(head -n1 "$ready")"
  rm -f "$ready"
}

# An Xvfb of our own when no display is set, stopped when the calling script
# exits.
start_xvfb_if_needed() {
  [ -n "${DISPLAY:-}" ] && return 0
  trap stop_xvfb EXIT
  start_xvfb || return 1
  echo "started Xvfb on $DISPLAY (pid $VARNOX_XVFB_PID)"
}

stop_xvfb() {
  if [ -n "$VARNOX_XVFB_PID" ]; then
    kill "$VARNOX_XVFB_PID" 2>/dev/null || true
    wait "$VARNOX_XVFB_PID" 2>/dev/null || true
    VARNOX_XVFB_PID=
  fi
}

# Starts a weston of our own (headless, the pixman renderer, screenshots
# allowed) with a private XDG_RUNTIME_DIR, and exports that directory: the
# compositor's socket there is VARNOX_WAYLAND_SOCKET, the name the Wayland
# tests put in WAYLAND_DISPLAY (tests/CMakeLists.txt). WAYLAND_DISPLAY itself
# stays unset, so everything else still runs on X11. Waits until the socket
# exists, at most 30 seconds; stopped by stop_weston.
VARNOX_WAYLAND_SOCKET=varnox-test-wayland
VARNOX_WESTON_PID=
VARNOX_WESTON_DIR=
start_weston() {
  VARNOX_WESTON_DIR=$(mktemp -d /tmp/varnox-weston.XXXXXX)
  chmod 700 "$VARNOX_WESTON_DIR"
  XDG_RUNTIME_DIR="$VARNOX_WESTON_DIR" weston --backend=headless-backend.so --use-pixman \
    --socket="$VARNOX_WAYLAND_SOCKET" --idle-time=0 --debug --log="$VARNOX_WESTON_DIR/weston.log" \
    >/dev/null 2>&1 &
  VARNOX_WESTON_PID=$!
  local socket="$VARNOX_WESTON_DIR/$VARNOX_WAYLAND_SOCKET" i
  for i in $(seq 300); do
    [ -S "$socket" ] && break
    kill -0 "$VARNOX_WESTON_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -S "$socket" ]; then
    echo "weston did not start:" >&2
    cat "$VARNOX_WESTON_DIR/weston.log" >&2 2>/dev/null || true
    stop_weston
    return 1
  fi
  export XDG_RUNTIME_DIR="$VARNOX_WESTON_DIR"
  echo "started weston on $socket (pid $VARNOX_WESTON_PID)"
}

stop_weston() {
  if [ -n "$VARNOX_WESTON_PID" ]; then
    kill "$VARNOX_WESTON_PID" 2>/dev/null || true
    wait "$VARNOX_WESTON_PID" 2>/dev/null || true
    VARNOX_WESTON_PID=
  fi
  if [ -n "$VARNOX_WESTON_DIR" ]; then
    rm -rf "$VARNOX_WESTON_DIR"
    VARNOX_WESTON_DIR=
  fi
}

# configure_and_build PRESET: configures and builds with one of the presets in
# CMakePresets.json (default: build/, asan: build-asan/, perf: build-perf/).
configure_and_build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}

# Checks every tracked C++ file against the repository's .clang-format and
# fails naming the files that differ (`clang-format -i FILE` mends one). One
# clang-format run for all of them: a run per file costs seconds.
check_format() {
  local report differ
  report=$(cd "$VARNOX_ROOT" && git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run -Werror 2>&1) || true
  differ=$(printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u)
  if [ -n "$differ" ] || printf '%s' "$report" | grep -q .; then
    echo "not formatted as .clang-format says (clang-format -i FILE):" >&2
    if [ -n "$differ" ]; then
      printf '  %s\n' $differ >&2
    else
      printf '%s\n' "$report" >&2
    fi
    return 1
  fi
  echo "formatting: $(cd "$VARNOX_ROOT" && git ls-files '*.cpp' '*.h' | wc -l) files as .clang-format says"
}
