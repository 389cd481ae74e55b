#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build build
# Without a screen Qt would only abort in its platform plugin; the same
# reports are at hand on the command line.
case "${QT_QPA_PLATFORM:-}" in
  "" | xcb* | wayland*)
    if [ "$(uname -s)" != Darwin ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset): use $ROOT/build/src/cli/vy-report (--help) for the reports on the command line." >&2
      exit 1
    fi ;;
esac
exec "$ROOT/build/src/ui/vy" "$@"
