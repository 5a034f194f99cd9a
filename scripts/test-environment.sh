# Sourced by scripts/test.sh (and usable by hand: `source scripts/test-environment.sh`):
# gives the tests a desktop of their own.
#   * XDG_RUNTIME_DIR: a private temporary directory;
#   * DISPLAY: when none is set, a private Xvfb (1920x1080, on a free display number)
#     with openbox as its window manager, ready once the manager owns the screen;
#     an existing DISPLAY is used as it is, without starting a window manager on it;
#   * QUELLPAD_TEST_WAYLAND_DISPLAY: the absolute socket path of a private headless Sway,
#     when sway is installed and starts (as an unprivileged user when run as root, which
#     Sway refuses); WAYLAND_DISPLAY itself is unset, so the app started by the other
#     tests keeps to the X11 backend even on a Wayland desktop;
#   * DBUS_SESSION_BUS_ADDRESS: a private session bus, with the accessibility bus
#     (org.a11y.Bus) answering when at-spi2-core is installed.
# Everything started here is stopped on exit (an EXIT trap calls test_environment_stop).

test_environment_pids=()
test_environment_runtime_dir=$(mktemp -d)
chmod 700 "$test_environment_runtime_dir"
export XDG_RUNTIME_DIR="$test_environment_runtime_dir"

test_environment_stop() {
  local pid
  # Newest first: the accessibility bus and openbox before the buses and the display.
  for ((i = ${#test_environment_pids[@]} - 1; i >= 0; i--)); do
    pid=${test_environment_pids[i]}
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${test_environment_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
  test_environment_pids=()
  rm -rf "$test_environment_runtime_dir" "${test_environment_wayland_dir:-}"
}
trap test_environment_stop EXIT

# Polls a command until it succeeds or the deadline (in tenths of a second) passes.
test_environment_wait() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

test_environment_wm_ready() {
  local check self
  check=$(xprop -root -notype _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*') || return 1
  self=$(xprop -id "$check" -notype _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*') || return 1
  [ "$check" = "$self" ]
}

test_environment_a11y_ready() {
  dbus-send --session --print-reply --reply-timeout=2000 --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    | grep -q 'string "'
}

if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  # -displayfd: the server picks a free display number, so parallel runs never collide.
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$test_environment_runtime_dir/display" \
    >/dev/null 2>&1 &
  test_environment_pids+=($!)
  test_environment_wait 100 grep -q . "$test_environment_runtime_dir/display" || {
    echo "test-environment: Xvfb did not start" >&2
    exit 1
  }
  export DISPLAY=":$(head -n1 "$test_environment_runtime_dir/display")"
  test_environment_started_display=1
fi

if command -v dbus-daemon >/dev/null; then
  test_environment_bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1) || {
    echo "test-environment: the session bus did not start" >&2
    exit 1
  }
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$test_environment_bus")
  test_environment_pids+=("$(sed -n 2p <<<"$test_environment_bus")")
fi

if [ -n "${test_environment_started_display:-}" ] && command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  test_environment_pids+=($!)
  test_environment_wait 100 test_environment_wm_ready || {
    echo "test-environment: openbox did not take over the screen" >&2
    exit 1
  }
fi

if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ -e /usr/share/dbus-1/services/org.a11y.Bus.service ]; then
  # Activates the accessibility bus launcher now, so the tests' short calls find it running.
  if test_environment_wait 100 test_environment_a11y_ready; then
    test_environment_pids+=("$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus \
      /org/freedesktop/DBus org.freedesktop.DBus.GetConnectionUnixProcessID string:org.a11y.Bus \
      | awk '{print $2}')")
  else
    echo "test-environment: the accessibility bus did not answer" >&2
  fi
fi

unset WAYLAND_DISPLAY

test_environment_wayland_socket() {
  local socket
  for socket in "$test_environment_wayland_dir"/wayland-*; do
    case "$socket" in *.lock) continue ;; esac
    [ -S "$socket" ] && { echo "$socket"; return 0; }
  done
  return 1
}

if command -v sway >/dev/null; then
  test_environment_wayland_dir=$(mktemp -d)
  test_environment_sway_prefix=()
  if [ "$(id -u)" -eq 0 ]; then
    test_environment_sway_user=quellpad-wayland
    id "$test_environment_sway_user" >/dev/null 2>&1 ||
      useradd --system --no-create-home --shell /usr/sbin/nologin "$test_environment_sway_user" 2>/dev/null || true
    if id "$test_environment_sway_user" >/dev/null 2>&1; then
      chown "$test_environment_sway_user" "$test_environment_wayland_dir"
      test_environment_sway_prefix=(runuser -u "$test_environment_sway_user" --)
    fi
  fi
  chmod 700 "$test_environment_wayland_dir"
  # runuser passes the EXIT trap's SIGTERM on to Sway; its clients (wl-copy) then exit.
  "${test_environment_sway_prefix[@]}" env -i PATH="$PATH" XDG_RUNTIME_DIR="$test_environment_wayland_dir" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c /dev/null \
    >"$test_environment_runtime_dir/sway.log" 2>&1 &
  test_environment_pids+=($!)
  if test_environment_wait 100 test_environment_wayland_socket; then
    export QUELLPAD_TEST_WAYLAND_DISPLAY=$(test_environment_wayland_socket)
  else
    echo "test-environment: headless Sway did not start; the Wayland tests will skip" >&2
  fi
fi
