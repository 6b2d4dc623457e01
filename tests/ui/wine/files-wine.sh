#!/usr/bin/env bash
# The real Stylorix.exe under Wine with what it writes and reads beside the
# pen: the download archive, code files and parameter files, worked from
# outside by the project's own driver against the pen simulator.
#   files-wine.sh CASE
# Environment as download-wine.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ui_need_display "$@"
ui_case=$1
ui_wine_up
ui_dpi 96

work=$(mktemp -d "${TMPDIR:-/tmp}/stylorix-files.XXXXXX")
# The user's local application data, as Windows names it and on this side.
local_win=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
local_dir=$(winepath -u "$local_win" 2>/dev/null)
[ -d "$local_dir" ] || ui_fail "no local application data: [$local_win]"
archive=$local_dir/Stylorix/Archiv
# Whatever a case leaves in the way of the archive goes with it.
trap 'rm -rf "$work" "$local_dir/Stylorix"; ui_wine_down' EXIT
rm -rf "$local_dir/Stylorix"

sim_state() { grep "^$1=" "$ui_work/sim.state" | cut -d= -f2; }
win() { winepath -w "$1" 2>/dev/null; }

# The box that ends an exchange or a command; what follows it is through
# when this returns.
expect_box() {
  local got
  got=$(drv box 30000) || ui_fail "no box"
  [ "$got" = "$1" ] || ui_fail "box: wanted [$1], got [$got]"
  drv press OK
  ui_sync
}

# A file holds exactly the bytes that printf makes of the other arguments.
holds_bytes() {
  local file=$1
  shift
  printf "$@" >"$work/wanted"
  cmp -s "$work/wanted" "$file" || ui_fail "$file: $(od -c "$file" | head -20)"
}

# The process of Wine's explorer that shows the folder (Windows' path).
shown_by_explorer() {
  local pid args
  while read -r pid args; do
    [[ $args == *'\explorer.exe '"$1" ]] && echo "$pid" && return
  done < <(ps -eo pid=,args=)
  return 1
}

# Every download that read codes appends them to the month's file before the
# pen is cleared; a NUL in a code is shown as its symbol, and kept as a byte
# in the files. "Archiv..." opens the folder, made first for a new user.
case_archive() {
  ui_sim --code A:123 --code-hex B:410042 --uploads 5 --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 DownDel REG_SZ 1
  ui_open
  expect "1" checked CheckBArchiv

  # The shell hands a folder to Wine's explorer, a new process: bounded by
  # its start on a busy machine.
  drv click BArchiv
  local explorer
  for _ in $(seq 300); do
    explorer=$(shown_by_explorer "$local_win\Stylorix\Archiv") && break
    sleep 0.1
  done
  [ -n "$explorer" ] || ui_fail "the folder was not opened"
  [ -d "$archive" ] || ui_fail "no folder $archive"
  kill "$explorer"

  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 2 Codes im Pen.\nOK'
  [ "$(sim_state codes_left)" = 0 ] || ui_fail "the pen was not cleared"
  local file stamp
  file=$(ls "$archive")
  stamp=$(head -c 19 "$archive/$file")
  [[ $stamp =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] || ui_fail "stamp [$stamp]"
  [ "$file" = "${stamp:0:7}.csv" ] || ui_fail "archive files: $file"
  file=$archive/$file
  holds_bytes "$file" '%s;PEN00042;5;65;123\r\n%s;PEN00042;5;66;A\0B\r\n' "$stamp" "$stamp"

  [ "$(drv rows ListView1 | cut -d'|' -f1)" = $'123\nA␀B' ] || ui_fail "rows: $(drv rows ListView1)"
  drv click BClip
  expect_box $'Stylorix Control\nDie Barcodes wurden in die Zwischenablage kopiert.\nOK'
  expect $'65;123\\r\n66;A␀B\\r' clipboard
  drv post $WM_COMMAND BSave 0
  drv savefile "$(win "$work")\\codes.csv"
  expect_box $'Stylorix Control\nBarcodes gespeichert.\nOK'
  holds_bytes "$work/codes.csv" '65;123\r\n66;A\0B\r\n'

  # The next download goes behind the first.
  ui_sim_stop
  ui_sim --code C:X --uploads 9 --pace full
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 1 Codes im Pen.\nOK'
  local next
  next=$(sed -n 3p "$file" | head -c 19)
  holds_bytes "$file" '%s;PEN00042;5;65;123\r\n%s;PEN00042;5;66;A\0B\r\n%s;PEN00042;9;67;X\r\n' \
    "$stamp" "$stamp" "$next"
  ui_close
}

# An archive that cannot be written keeps the codes in the pen, and says why;
# without the archive the pen is cleared as before.
case_archive_fails() {
  echo "in the way" >"$local_dir/Stylorix"
  ui_sim --code A:123 --code B:456 --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 DownDel REG_SZ 1
  ui_open
  drv click BDownload
  local got
  got=$(drv box 30000) || ui_fail "no box"
  local head=$'Stylorix Control\nDownload erfolgt, 2 Codes im Pen.\rDie Barcodes konnten nicht im Archiv gesichert werden ('"$local_win\\Stylorix\\Archiv\\"
  local tail=$').\rDer Pen wurde nicht gelöscht: die Barcodes sind nicht im Archiv.\nOK'
  [[ $got == "$head"[0-9][0-9][0-9][0-9]-[0-9][0-9].csv:\ ?*"$tail" ]] || ui_fail "box: [$got]"
  drv press OK
  ui_sync
  [ "$(sim_state codes_left)" = 2 ] || ui_fail "the pen was cleared"
  [ "$(sim_state deletes)" = 0 ] || ui_fail "a delete was sent"
  [ "$(drv rows ListView1 | cut -d'|' -f1)" = $'123\n456' ] || ui_fail "rows: $(drv rows ListView1)"

  drv click CheckBArchiv
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 2 Codes im Pen.\nOK'
  [ "$(sim_state codes_left)" = 0 ] || ui_fail "the pen was not cleared"
  ui_close
  [ "$(stored Archiv)" = 0 ] || ui_fail "Archiv stored as $(stored Archiv)"
  [ -f "$local_dir/Stylorix" ] || ui_fail "the file in the way was touched"
}

# "Laden" fills the list from an export file in the current layout or from
# an archive, at most 200 codes: an export's first, an archive's newest. A
# file that does not fit leaves the list as it was.
case_load() {
  settings ExpFormat REG_DWORD 1
  printf '1;65;123\r\n2;66;x;y\r\n' >"$work/export.csv"
  local n
  for n in $(seq 201); do printf '%d;65;E%d\r\n' "$n" "$n"; done >"$work/export201.csv"
  for n in $(seq 201); do printf '2026-01-02 03:04:05;PEN00042;7;66;A%d\r\n' "$n"; done >"$work/archive201.csv"
  printf '1;65;123\r\nno code here\r\n' >"$work/bad.csv"
  ui_open
  drv tab PageControl1 0 >/dev/null

  drv post $WM_COMMAND BLoad 0
  expect "$(win "$(dirname "$PROGRAM")")"$'\nTextdatei (*.csv)' filedialog
  drv openfile "$(win "$work")\\export.csv"
  drv no-box
  expect $'123|0x41|UPC-A, UPC-E, UPC-E1, EAN-8, EAN-13|OK|\nx;y|0x42|Code 39, Code 32|OK|' rows ListView1
  expect $'Einstellungen\n*Barcodes\nParameter\nÜber...' tabs PageControl1

  # name, box, first and last row's code
  local name box first last rows
  while IFS='|' read -r name box first last; do
    drv post $WM_COMMAND BLoad 0
    drv openfile "$(win "$work")\\$name"
    expect_box "Stylorix Control"$'\n'"$box"$'\nOK'
    rows=$(drv rows ListView1 | cut -d'|' -f1)
    [ "$(wc -l <<<"$rows")" = 200 ] || ui_fail "$name: $(wc -l <<<"$rows") rows"
    [ "$(head -1 <<<"$rows") $(tail -1 <<<"$rows")" = "$first $last" ] ||
      ui_fail "$name: rows from $(head -1 <<<"$rows") to $(tail -1 <<<"$rows")"
  done <<'FILES'
export201.csv|Die ersten 200 Barcodes wurden geladen, 1 weitere ausgelassen.|E1|E200
archive201.csv|Die neuesten 200 Barcodes wurden geladen, 1 weitere ausgelassen.|A2|A201
FILES

  drv post $WM_COMMAND BLoad 0
  drv openfile "$(win "$work")\\bad.csv"
  expect_box "Fehler"$'\n'"Die Datei \"$(win "$work")\\bad.csv\" passt nicht:"$'\r'"Zeile 2: no code here"$'\nOK'
  [ "$(drv rows ListView1 | head -1 | cut -d'|' -f1)" = A2 ] || ui_fail "the list changed"
  ui_close
}

# The parameter page of the simulator below (its parameters are pensim's
# own but for the loudness), as "Speichern" writes it.
params_text() {
  printf 'Protokoll-Version: 0x31\r\nStatus: 0x00\r\nFirmware-Version: FW-2.1.0\r\n'
  printf 'Geräte-ID: PEN00042\r\nUploads: 4\r\nCodes im Speicher: 1\r\n'
  printf 'User Data: 55 53 45 52 00 00 00 01\r\nLautstärke: 2\r\nParameter:\r\n'
  local n v
  for n in $(seq 30); do
    case $n in
      1) v='05 01 01 02 03 04' ;;
      2) v='02 02 02' ;;
      3) v='09 03 53 54 59 4C 4F 52 49 58' ;;
      6) v='03 06 A0 0B' ;;
      23) v='09 17 50 45 4E 2D 44 45 4D 4F' ;;
      *) v=$(printf '02 %02X 00' "$n") ;;
    esac
    printf '0x%02X : %s\r\n' "$n" "$v"
  done
}

# With "Parameter" chosen, "Speichern" and "in Zwischenabl." give the page as
# text, and "Laden" reads such a text back into the page.
case_params() {
  ui_sim --code A:1 --uploads 4 --firmware FW-2.1.0 --param 2=02 --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2
  ui_open
  drv click BDownload
  expect_box $'Stylorix Control\nDownload erfolgt, 1 Codes im Pen.\nOK'
  drv click RadioBHeader
  drv post $WM_COMMAND BSave 0
  expect "$(win "$(dirname "$PROGRAM")")"$'\nTextdatei (*.txt)' filedialog
  drv savefile "$(win "$work")\\params.txt"
  expect_box $'Stylorix Control\nParameter gespeichert.\nOK'
  params_text >"$work/wanted"
  cmp -s "$work/wanted" "$work/params.txt" || ui_fail "file: $(diff "$work/wanted" "$work/params.txt" | cat -A)"
  drv click BClip
  expect_box $'Stylorix Control\nDie Parameter wurden in die Zwischenablage kopiert.\nOK'
  expect "$(params_text | sed 's/\r$/\\r/')" clipboard
  ui_close

  sed -e 's/PEN00042/PEN00099/' -e 's/Lautstärke: 2/Lautstärke: 1/' "$work/params.txt" >"$work/changed.txt"
  ui_open
  drv click RadioBHeader
  drv post $WM_COMMAND BLoad 0
  expect "$(win "$(dirname "$PROGRAM")")"$'\nTextdatei (*.txt)' filedialog
  drv openfile "$(win "$work")\\changed.txt"
  drv no-box
  expect $'Einstellungen\nBarcodes\n*Parameter\nÜber...' tabs PageControl1
  local id want
  while IFS='=' read -r id want; do
    expect "$want" text "$id"
  done <<'PAGE'
LPProto=0x31
LPStatus=0x00
LPFirmware=FW-2.1.0
LPDevID=PEN00099
LPUploads=4
LPCodes=1
EPUserData=55 53 45 52 00 00 00 01
PAGE
  expect "1" position TrackBLoud
  local list
  list=$(params_text | sed -n '/^Parameter:/,$p')
  expect "${list%$'\r'}" text Memo2

  # A file that does not fit leaves the page as it was.
  printf 'Parameter:\r\nfoo\r\n' >"$work/bad.txt"
  drv post $WM_COMMAND BLoad 0
  drv openfile "$(win "$work")\\bad.txt"
  expect_box "Fehler"$'\n'"Die Datei \"$(win "$work")\\bad.txt\" passt nicht:"$'\r'"Zeile 2: foo"$'\nOK'
  expect "PEN00099" text LPDevID
  ui_close
}

"case_${ui_case//-/_}"
echo "PASS [$ui_case]"
