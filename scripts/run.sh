#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build build
exec "$ROOT/build/src/ui/vy" "$@"
