#!/usr/bin/env bash
# Installs the build into a fresh prefix (with a space in its path, as user folders
# may have) and checks what a desktop sees: only the program in bin/, a desktop entry
# and metainfo that the freedesktop validators accept, the icon, and entries (the menu
# one and the autostart one the program writes) that start the installed program.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
id=io.github.quellpad.Quellpad
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/my apps"

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/quellpad" ] || fail "no executable in $prefix/bin"
others=$(ls "$prefix/bin" | grep -vx quellpad || true)
[ -z "$others" ] || fail "test or bench programs installed: $others"

desktop="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
icon="$prefix/share/icons/hicolor/scalable/apps/$id.svg"
for f in "$desktop" "$metainfo" "$icon"; do [ -f "$f" ] || fail "missing $f"; done
desktop-file-validate "$desktop" || fail "desktop-file-validate rejected $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejected $metainfo"
grep -q "<svg" "$icon" || fail "the icon is not an SVG"

expected_exec="Exec=\"$prefix/bin/quellpad\""
grep -qxF "$expected_exec" "$desktop" || fail "desktop Exec is not the installed program: $(grep ^Exec= "$desktop")"
grep -qxF "Icon=$id" "$desktop" || fail "desktop Icon is not $id"
# Without it KWin withholds the fake input the paste keystroke needs on Plasma.
grep -qxF "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input" "$desktop" || fail "desktop entry does not ask KWin for fake input"

# The autostart entry the installed program writes starts that same program.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work"
export QUELLPAD_STORAGE_DIRECTORY="$work/data"
mkdir -p "$HOME"
"$prefix/bin/quellpad" autostart enable >/dev/null || fail "autostart enable failed"
autostart="$XDG_CONFIG_HOME/autostart/$id.desktop"
[ -f "$autostart" ] || fail "no autostart entry at $autostart"
grep -qxF "$expected_exec" "$autostart" || fail "autostart Exec is not the installed program: $(grep ^Exec= "$autostart")"
desktop-file-validate "$autostart" || fail "desktop-file-validate rejected $autostart"
echo "installed and valid: $prefix"
