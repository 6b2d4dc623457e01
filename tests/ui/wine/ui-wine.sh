#!/usr/bin/env bash
# The real Stylorix.exe under Wine, worked from outside by the project's own
# driver the way a script or a user on the same desktop would.
#   ui-wine.sh CASE
# A case is a function case_NAME below; add one there and to ui_wine_cases
# in tests/ui/CMakeLists.txt.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ui_need_display "$@"
ui_case=$1
ui_wine_up
ui_dpi 96

# Controls go by their names (ui/HauptView.h), messages by lib.sh's.

case_window() {
  settings
  ui_start
  expect "Stylorix Control - Version 0.0.1.43" wait
  expect "745x507" client
  expect "caption sysmenu minimize" frame
  expect $'Einstellungen\n*Barcodes\nParameter\nÜber...' tabs PageControl1
  expect "200 400 450" parts
  expect "0" visible PInsert
  expect "" status 0
  local id want
  while IFS='=' read -r id want; do
    expect "$want" text "$id"
  done <<'CAPTIONS'
GScanner=Scanner Kommandos
BDownload=&Download
BUpload=&Upload Param.
BClear=Scanner l&öschen
GDaten=Daten Kommandos
LAnschluss=Anschluß
BComRefresh=...
LTimeout=Timeout (sec)
RadioBDown1=Barcodes und Parameter
RadioBDown2=nur Barcodes
RadioBDown3=nur Parameter
CheckBDownClip=Barcodes nach dem Auslesen in die Zwischenablage schreiben (ohne Meldung)
CheckBDownDel=Barcodes nach dem Auslesen automatisch löschen (ohne Rückfrage!)
BSearchDef=&Voreinstellung
GExport=Barcode-Export (Datei und Zwischenablage)
GHintergrund=Hintergrundbetrieb
CheckBAutoDown=automatischer Barcode-Download, wenn im Tray
CheckBArchiv=Downloads im Archiv sichern
BArchiv=&Archiv...
LStatus=Status
CAPTIONS
  expect "1" checked RadioBBarcodes
  expect "0" checked RadioBHeader
  expect "1" visible ListView1      # the barcode list: its page is the active one
  drv tab PageControl1 0 >/dev/null
  expect $'*Einstellungen\nBarcodes\nParameter\nÜber...' tabs PageControl1
  expect "1" visible SpinETimeout
  expect "0" visible ListView1
  ui_close
}

case_keys() {
  settings
  ui_open
  expect "BDownload" focus
  drv keys tab
  expect "BUpload" focus
  drv keys shift+tab
  expect "BDownload" focus
  drv keys alt+p             # the mnemonic of "&Parameter"
  expect "1" checked RadioBHeader
  expect "0" checked RadioBBarcodes
  drv keys ctrl+tab          # next page
  expect $'Einstellungen\nBarcodes\n*Parameter\nÜber...' tabs PageControl1
  expect "1" visible Memo2
  drv keys ctrl+shift+tab
  expect $'Einstellungen\n*Barcodes\nParameter\nÜber...' tabs PageControl1
  ui_close
}

case_dpi() {
  settings
  ui_open
  expect "16 32 121 73" rect BDownload
  drv dpi-change 144         # moved to a monitor at 150 %
  expect "24 48 182 110" rect BDownload
  expect "1" visible ListView1
  drv dpi-change 96
  expect "16 32 121 73" rect BDownload
  ui_close
}

case_settings() {
  settings Timeout REG_DWORD 150 Download REG_DWORD 5 ExpFormat REG_DWORD 3 \
    TrayAuto REG_SZ 1 URL REG_SZ 'https://example.org/find?q=%s'
  ui_open
  expect "99" text SpinETimeout
  expect "1" checked RadioBDown3
  expect "0" checked RadioBDown1
  expect "1" checked CheckBExpBNr
  expect "1" checked CheckBExpBConly
  expect "1" checked CheckBAutoDown
  expect "0" checked CheckBMinTray
  expect "https://example.org/find?q=%s" text ESearch1
  expect "" text ESearch2

  drv settext SpinETimeout 7
  drv click CheckBExpBNr
  drv click RadioBDown2
  drv click CheckBMinTray
  drv click CheckBDownDel
  drv settext ESearch1 'https://example.net/?s=%s'
  drv settext ESearch2 'https://example.net/b/%s'
  expect "0" checked CheckBExpBNr
  expect "0" checked RadioBDown3
  ui_close
  [ "$(stored Timeout)" = 0x7 ] || ui_fail "Timeout stored as $(stored Timeout)"
  [ "$(stored Download)" = 0x1 ] || ui_fail "Download stored as $(stored Download)"
  [ "$(stored ExpFormat)" = 0x2 ] || ui_fail "ExpFormat stored as $(stored ExpFormat)"
  [ "$(stored TrayMin)" = 1 ] || ui_fail "TrayMin stored as $(stored TrayMin)"
  [ "$(stored DownDel)" = 1 ] || ui_fail "DownDel stored as $(stored DownDel)"
  [ "$(stored URL)" = 'https://example.net/?s=%s' ] || ui_fail "URL stored as $(stored URL)"
  [ -z "$(stored URL2)" ] || ui_fail "URL2 stored"
}

# A stored port that the chooser does not list stays the port.
case_port() {
  ui_sim
  settings Comport REG_SZ "$ui_port"
  ui_open
  local entries
  entries=$(drv items ComboBPort)
  if ! grep -q "($ui_port)" <<<"$entries"; then
    expect "0" selection ComboBPort
  fi
  ui_close
  [ "$(stored Comport)" = "$ui_port" ] || ui_fail "Comport stored as $(stored Comport)"
}

case_wrong_type() {
  settings Timeout REG_DWORD 7 URL REG_DWORD 1
  ui_start
  expect $'Stylorix Control\nUngültiger Datentyp für \'URL\'\nOK' box
  drv press OK
  expect "Stylorix Control - Version 0.0.1.43" wait
  expect "7" text SpinETimeout       # read before the wrong value
  expect "https://www.google.com/search?q=%s" text ESearch1   # the default after it
  drv no-box
  ui_close
}

# Hidden to the notification icon and back, by the icon and by the
# activation message; with TrayAuto the icon tells which.
case_tray() {
  settings TrayMin REG_SZ 1 TrayAuto REG_SZ 1
  ui_open
  local hidden shown
  drv post $WM_SYSCOMMAND $SC_MINIMIZE 0
  ui_sync
  expect "hidden" state
  hidden=$(drv trayicon)
  drv post $WM_TRAY 0 $WM_LBUTTONDBLCLK
  ui_sync
  expect "shown" state
  shown=$(drv trayicon)
  [ "$shown" != "$hidden" ] || ui_fail "the icon stays as when hidden"

  drv post $WM_SYSCOMMAND $SC_MINIMIZE 0
  ui_sync
  expect "hidden" state
  expect "$hidden" trayicon
  drv post $WM_APP_ACTIVATE 0 0   # as the icon's double-click
  ui_sync
  expect "shown" state
  expect "$shown" trayicon

  drv click CheckBMinTray   # off: minimising minimises
  drv post $WM_SYSCOMMAND $SC_MINIMIZE 0
  ui_sync
  expect "minimised" state
  drv post $WM_APP_ACTIVATE 0 0   # the activation message brings it back
  ui_sync
  expect "shown" state
  ui_close
}

case_beenden() {
  settings Timeout REG_DWORD 12
  ui_open
  drv click CheckBStartMin
  drv post $WM_TRAY 0 $WM_RBUTTONUP
  drv menu "&Beenden"
  ui_ended
  [ "$(stored StartMin)" = 1 ] || ui_fail "StartMin stored as $(stored StartMin)"
  [ "$(stored Timeout)" = 0xc ] || ui_fail "Timeout stored as $(stored Timeout)"
}

# Windows ending the session: no question, the settings as on a close, and
# the window goes even when hidden to the notification icon.
case_session_end() {
  settings Timeout REG_DWORD 12 TrayMin REG_SZ 1
  ui_open
  drv settext SpinETimeout 9
  drv settext ESearch1 'https://example.net/?s=%s'
  drv post $WM_SYSCOMMAND $SC_MINIMIZE 0
  ui_sync
  expect "hidden" state
  expect "1" send $WM_QUERYENDSESSION 0 0
  drv post $WM_ENDSESSION 1 0
  ui_ended
  [ "$(stored Timeout)" = 0x9 ] || ui_fail "Timeout stored as $(stored Timeout)"
  [ "$(stored URL)" = 'https://example.net/?s=%s' ] || ui_fail "URL stored as $(stored URL)"
}

case_identify() {
  settings
  ui_open
  expect "26057201" send $WM_APP_IDENTIFY 0 0
  expect "0" send $WM_APP_ACTIVATE 0 0
  local atom
  atom=$(drv atom "/S /P:COM3")
  expect "0" send $WM_APP_HANDOVER "$atom" 0
  drv no-box
  ui_close
}

case_atom() {
  settings
  ui_open
  drv post $WM_APP_HANDOVER 0xFFF0 0   # no such atom
  local box
  box=$(drv box) || ui_fail "no error box"
  case "$box" in
    $'Stylorix Control\nSystemfehler.  Code: '*) ;;
    *) ui_fail "box: $box" ;;
  esac
  drv press OK
  expect "shown" state
  expect "26057201" send $WM_APP_IDENTIFY 0 0   # and the window goes on answering
  ui_close
}

"case_${ui_case//-/_}"
echo "PASS [$ui_case]"
