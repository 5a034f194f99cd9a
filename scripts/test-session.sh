# Sourced by the test scripts: a private runtime directory and, on a headless
# machine, a private Xvfb display for the tests that need X11. Removed on exit.
# `in_test_session CMD...` runs a command inside its own session bus when one can
# be started.

test_session_runtime_dir=$(mktemp -d)
chmod 700 "$test_session_runtime_dir"
export XDG_RUNTIME_DIR="$test_session_runtime_dir"
test_session_xvfb_pid=""
test_session_cleanup() {
  if [ -n "$test_session_xvfb_pid" ]; then kill "$test_session_xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$test_session_runtime_dir"
}
trap test_session_cleanup EXIT

if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  test_session_display=":$((90 + RANDOM % 100))"
  Xvfb "$test_session_display" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  test_session_xvfb_pid=$!
  export DISPLAY="$test_session_display"
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${test_session_display#:}" ] && break
    sleep 0.1
  done
fi

in_test_session() {
  if command -v dbus-run-session >/dev/null; then
    dbus-run-session -- "$@"
  else
    "$@"
  fi
}
