#!/usr/bin/env bash
# Fails when the core reaches upwards: a core file that includes a widget,
# window (ui/) or vy-report (cli/) header, or the export code including a
# store header (export writes what the reports computed, it never reads the
# store).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
core=(src/store src/settings src/scan src/reports src/export)
bad=0
if grep -nE '^\s*#\s*include\s*[<"](ui/|cli/|Qt(Widgets|Gui)/|Q(Widget|Application|MainWindow|Dialog|Painter|Pixmap|Icon|Font|Color)\b)' \
     -r "${core[@]}"; then
  echo "check_layers: the core includes a window, widget or vy-report header (above)" >&2
  bad=1
fi
if grep -nE '^\s*#\s*include\s*"store/' -r src/export; then
  echo "check_layers: export includes a store header (above)" >&2
  bad=1
fi
exit $bad
