#!/usr/bin/env bash
# The real Stylorix.exe under Wine reading the pen simulator on a mapped COM
# port, worked from outside by the project's own driver: download, clear,
# export, clipboard and look-up as a user does them, also with a station that
# fails.
#   download-wine.sh CASE
# Environment as ui-wine.sh, with PENSIM and SHIM.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ui_need_display "$@"
ui_case=$1
ui_wine_up
ui_dpi 96

work=$(mktemp -d "${TMPDIR:-/tmp}/stylorix-download.XXXXXX")
trap 'rm -rf "$work"; ui_wine_down' EXIT

sim_state() { grep "^$1=" "$ui_work/sim.state" | cut -d= -f2; }

# The box that ends an exchange (bounded by the exchange's own length); the
# exchange's end after it is through when this returns.
expect_box() {
  local got
  got=$(drv box "${2:-60000}") || ui_fail "no box"
  [ "$got" = "$1" ] || ui_fail "box: wanted [$1], got [$got]"
  drv press OK
  ui_sync
}

# Whether the window's process holds the simulator's terminal open.
holds_port() {
  local pty
  pty=$(head -1 "$ui_work/sim.out")
  ls -l "/proc/$(ui_program_pid)/fd" 2>/dev/null | grep -qE -- "-> $pty( \(deleted\))?\$"
}

case_download() {
  ui_sim --code A:4006381333931 --code E:96385074 --code C:STYLORIX-42 --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 3 Codes im Pen.\nOK'
  expect "Download komplett" status 0
  expect "" status 1
  expect "0" visible PInsert
  expect $'4006381333931|0x41|UPC-A, UPC-E, UPC-E1, EAN-8, EAN-13|OK|\n96385074|0x45|Code 93|OK|\nSTYLORIX-42|0x43|Codabar|OK|' rows ListView1
  expect "255 255 255" rowcolour ListView1 0
  expect "204 255 204" rowcolour ListView1 1
  expect "255 255 255" rowcolour ListView1 2
  expect "0x31" text LPProto
  expect "0x00" text LPStatus
  expect "3" text LPCodes
  expect "1" enabled BDownload
  [ "$(sim_state codes_left)" = 3 ] || ui_fail "the pen was cleared"
  [ "$(sim_state sleeps)" = 1 ] || ui_fail "the pen was not sent to sleep"

  # Ctrl+A and Ctrl+C in the list copy the export lines of every row.
  drv clickrow ListView1 1
  drv keys ctrl+a
  expect $'0\n1\n2' selected ListView1
  drv keys ctrl+c
  expect $'65;4006381333931\\r\n69;96385074\\r\n67;STYLORIX-42\\r' clipboard
  drv no-box
  ui_close
}

case_clipboard() {
  ui_sim --code A:123 --code B:ABC --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 DownClip REG_SZ 1 ExpFormat REG_DWORD 1
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 2 Codes im Pen.\nOK'
  expect $'1;65;123\\r\n2;66;ABC\\r' clipboard
  drv no-box
  ui_close
}

case_clear() {
  ui_sim --code A:123 --code B:ABC --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 2 Codes im Pen.\nOK'
  drv click BClear
  expect_box $'Stylorix Control\nBarcodes gelöscht.\nOK'
  expect "Codes gelöscht" status 0
  expect "" rows ListView1
  [ "$(sim_state codes_left)" = 0 ] || ui_fail "the simulator still holds codes"
  # The codes read before are still there to be copied.
  drv click BClip
  expect_box $'Stylorix Control\nDie Barcodes wurden in die Zwischenablage kopiert.\nOK'
  expect $'65;123\\r\n66;ABC\\r' clipboard
  ui_close
}

case_no_pen() {
  # A port that is not there.
  settings Comport REG_SZ COM77 Timeout REG_DWORD 1
  ui_open
  drv click BDownload
  expect_box $'Fehler\nKann COM-Port nicht öffnen.\nOK'
  expect "COM-Port Fehler!" status 0
  ui_close
  # A station without a pen: nothing answers.
  ui_sim --fault silence@wake --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 1
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nKein Download erfolgt.\nOK'
  expect "Scanner nicht erkannt" status 0
  drv click BClear
  expect_box $'Stylorix Control\nKein Scanner gefunden.\nOK'
  ui_close
}

# A full pen at the station's real pace, cleared after the read.
case_many() {
  ui_sim --generate 200 --pace real
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 3 DownDel REG_SZ 1 Download REG_DWORD 1
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 200 Codes im Pen.\nOK' 120000
  [ "$(drv rows ListView1 | wc -l)" = 200 ] || ui_fail "not all rows listed"
  [ "$(sim_state codes_left)" = 0 ] || ui_fail "the pen was not cleared"
  ui_close
}

# One code more than the window can hold: nothing is cleared, and it says so.
case_too_many() {
  ui_sim --generate 201 --pace real
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 3 DownDel REG_SZ 1 Download REG_DWORD 1
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 200 Codes im Pen.\rDer Pen wurde nicht gelöscht: 1 Code blieb ungelesen im Pen.\nOK' 120000
  [ "$(sim_state codes_left)" = 201 ] || ui_fail "the pen was touched"
  [ "$(sim_state deletes)" = 0 ] || ui_fail "a delete was sent"
  ui_close
}

case_save() {
  ui_sim --code A:123 --code B:'x;y' --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 ExpFormat REG_DWORD 1
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 2 Codes im Pen.\nOK'
  drv post $WM_COMMAND BSave 0   # "Speichern": posted, the dialog is modal
  drv savefile 'Z:'"$(winepath -w "$work" 2>/dev/null | sed 's/^Z://')"'\codes.csv'
  expect_box $'Stylorix Control\nBarcodes gespeichert.\nOK'
  [ "$(od -An -c "$work/codes.csv" | tr -s ' ')" = "$(printf '1;65;123\r\n2;66;x;y\r\n' | od -An -c | tr -s ' ')" ] ||
    ui_fail "file: $(od -c "$work/codes.csv")"
  ui_close
}

# The user's browser gets the address with the code encoded in it; an
# address that is no web address goes nowhere.
case_lookup() {
  ui_sim --code A:'A&B #1' --code B:123 --code B:notepad --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 URL REG_SZ 'https://find.example/q?s=%s&n=1'
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/browser.sh"
  chmod +x "$work/browser.sh"
  wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$work/browser.sh" /f >/dev/null 2>&1
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 3 Codes im Pen.\nOK'
  drv dblclick ListView1 below      # beside the rows: nothing
  drv dblclick ListView1 0
  # The browser is a new Wine process: bounded by its start on a busy machine.
  for _ in $(seq 300); do [ -s "$work/opened" ] && break; sleep 0.1; done
  [ "$(cat "$work/opened" 2>/dev/null)" = 'https://find.example/q?s=A%26B%20%231&n=1' ] ||
    ui_fail "opened: [$(cat "$work/opened" 2>/dev/null)]"
  drv no-box
  # The code alone would start a program of that name.
  drv settext ESearch1 '%s'
  drv dblclick ListView1 2
  expect_box $'Fehler\nWebsuche nicht möglich, falsches URL-Format!\nOK'
  [ "$(wc -l <"$work/opened")" = 1 ] || ui_fail "opened: [$(cat "$work/opened")]"
  ! ps -eo args= | grep -qi 'notepad\.exe' || ui_fail "Notepad started"
  ui_close
}

# The station unplugged while the codes come in: the exchange ends at its
# next look, the port is closed and the pen untouched; plugged in again, the
# station serves the next download.
case_unplugged() {
  ui_sim --code A:123 --code B:456 --fault vanish@codes --pace real
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 DownDel REG_SZ 1
  ui_open
  drv click BDownload
  expect_box $'Fehler\nDie Verbindung zur Lesestation (COM2) ist abgebrochen: Auslesen fehlgeschlagen.\rDer Pen wurde nicht gelöscht.\nOK'
  expect "Lesestation nicht erreichbar" status 0
  expect "1" enabled BDownload
  ! holds_port || ui_fail "the port stays open"
  [ "$(sim_state deletes)" = 0 ] || ui_fail "a delete was sent"
  ui_sim_stop
  ui_sim --code A:123 --code B:456 --pace full
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 2 Codes im Pen.\nOK'
  [ "$(drv rows ListView1 | cut -d'|' -f1)" = $'123\n456' ] || ui_fail "rows: $(drv rows ListView1)"
  [ "$(sim_state codes_left)" = 0 ] || ui_fail "the pen was not cleared"
  ui_close
}

# A pen that does not confirm the delete, and codes that cannot be read.
case_refused() {
  ui_sim --code A:123 --fault nak@delete --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 DownDel REG_SZ 1
  ui_open
  drv click BClear
  expect_box $'Warnung\nDer Pen hat das Löschen nicht bestätigt:\rdie Barcodes sind womöglich noch im Pen.\nOK'
  expect "Pen nicht gelöscht" status 0
  ui_sim_stop
  ui_sim --code A:123 --code B:456 --fault truncate@codes --pace full
  drv click BDownload
  expect_box $'Warnung\nDie Barcodes konnten nicht gelesen werden.\rDer Pen wurde nicht gelöscht.\nOK'
  expect "Barcodes nicht gelesen" status 0
  [ "$(sim_state codes_left)" = 2 ] || ui_fail "the pen was cleared"
  [ "$(sim_state deletes)" = 0 ] || ui_fail "a delete was sent"
  [ "$(sim_state sleeps)" = 1 ] || ui_fail "the pen was not sent to sleep"
  ui_close
}

# The wait panel lies in the middle of the window as it is restored, also
# while the window is minimised; a close ends the wait.
case_minimised() {
  ui_sim --fault silence@wake --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 99
  ui_open
  local left top width height px py pw ph
  read -r left top width height < <(drv outer)
  drv post $WM_SYSCOMMAND $SC_MINIMIZE 0
  ui_sync
  expect "minimised" state
  drv click BDownload
  for _ in $(seq 100); do [ "$(drv visible PInsert)" = 1 ] && break; sleep 0.1; done
  expect "Pen einsetzen!" text PInsert
  holds_port || ui_fail "the port is not open while the window waits for the pen"
  read -r px py pw ph < <(drv rect PInsert)
  [ "$px $py" = "$((width / 2 - pw / 2)) $((height / 2 - ph / 2))" ] ||
    ui_fail "the wait panel at $px $py, $pw x $ph, in a window of $width x $height"
  ui_close
}

"case_${ui_case//-/_}"
echo "PASS [$ui_case]"
