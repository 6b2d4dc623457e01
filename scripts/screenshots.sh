#!/usr/bin/env bash
# Renders each page of the main window at 96 and 144 DPI under Wine on a
# virtual X display into docs/ (PNG). Needs the windows preset's build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
UI_PREFIX=shots UI_SCREEN=1600x1200
source "$root/tests/ui/wine/lib.sh"
ui_need_display "$@"
ui_wine_up

pages=(einstellungen barcodes parameter ueber)
for dpi in ${SHOT_DPIS:-96 144}; do
  ui_dpi "$dpi"
  settings URL2 REG_SZ unused
  ui_open
  read -r left top width height < <(drv outer)
  for i in "${!pages[@]}"; do
    drv tab PageControl1 "$i" >/dev/null
    drv send $WM_APP_ACTIVATE 0 0 >/dev/null  # to the front, with an active title bar
    sleep 0.5  # let the page paint before the picture is taken
    import -window root -crop "${width}x${height}+${left}+${top}" +repage \
      "$root/docs/window-${pages[$i]}-$dpi.png"
    echo "docs/window-${pages[$i]}-$dpi.png"
  done
  ui_close
done
