#!/usr/bin/env bash
# Renders the main window after a download from the pen simulator (the
# barcode list and the parameter page) under Wine on a virtual X display into
# docs/ (PNG). Needs the windows preset's build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
UI_PREFIX=shots UI_SCREEN=1600x1200
source "$root/tests/ui/wine/lib.sh"
ui_need_display "$@"
ui_wine_up
ui_dpi 96

ui_sim --code A:4006381333931 --code A:9783161484100 --code E:96385074 --code C:A40156B \
  --code D:STYLORIX-42 --code B:CODE39-TEST --code F:12345678 --code K:0104012345678901 \
  --uploads 17 --pace full
settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2
ui_open
drv click BDownload
drv box 30000 >/dev/null
drv press OK
# The frame repaints after the box has gone, as on any desktop.
drv post $WM_NCACTIVATE 1 0
ui_sync
read -r left top width height < <(drv outer)
shot() {
  drv send $WM_APP_ACTIVATE 0 0 >/dev/null  # to the front, with an active title bar
  sleep 0.5                       # let the page paint before the picture is taken
  import -window root -crop "${width}x${height}+${left}+${top}" +repage "$root/docs/$1"
  echo "docs/$1"
}
shot window-download-96.png
drv tab PageControl1 2 >/dev/null
shot window-download-parameter-96.png
ui_close
