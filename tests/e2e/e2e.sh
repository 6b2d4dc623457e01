#!/usr/bin/env bash
# End-to-end runs of the console read-out against the pen simulator.
#   e2e.sh native|wine CASE
# Environment: PENSIM (native simulator), PROGRAM (stylorix or Stylorix.exe);
# for wine WINEPREFIX and, when there is one, SHIM (the pty shim library that
# gives Wine the modem lines and parity of a real port on a pseudo-terminal).
# Every run of the program is killed after a generous bound, so a hang fails
# the test instead of stalling the suite; the assertions are on results.
set -euo pipefail
mode=$1
case_name=$2
: "${PENSIM:?}" "${PROGRAM:?}"
if [ "$mode" = wine ] && [ -n "${SHIM:-}" ] && [ ! -f "$SHIM" ]; then
  echo "FAIL: the pty shim $SHIM was not built" >&2
  exit 1
fi
here=$(cd "$(dirname "$0")" && pwd)
bound=60

work=$(mktemp -d "${TMPDIR:-/tmp}/stylorix-e2e.XXXXXX")
# The native program's archive goes to the test's own folder, never the user's.
export XDG_DATA_HOME=$work/data
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  [ -n "${com_link:-}" ] && rm -f "$com_link"
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL [$case_name]: $*" >&2; exit 1; }

# Starts the simulator with the given options; sets pty and port.
start_sim() {
  "$PENSIM" --state "$work/sim.state" "$@" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/sim.out" ] && break
    sleep 0.05
  done
  pty=$(head -1 "$work/sim.out")
  [ -e "$pty" ] || fail "simulator did not start: $(cat "$work/sim.err")"
  if [ "$mode" = wine ]; then
    # Never COM1: Wine maps it to the machine's console.
    local n=${pty##*/}
    n=$(( n % 38 + 2 ))  # COM2 to COM39: other Wine tests map COM40 and up
    com_link=$WINEPREFIX/dosdevices/com$n
    ln -sfn "$pty" "$com_link"
    port=COM$n
  else
    port=$pty
  fi
}

sim_state() { grep "^$1=" "$work/sim.state" | cut -d= -f2; }

# The folder of the program's download archive, emptied: under Wine the
# prefix's local application data (the Wine cases take turns), natively the
# test's own.
archive_folder() {
  if [ "$mode" = wine ]; then
    local user
    user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
    echo "$WINEPREFIX/drive_c/users/$user/AppData/Local/Stylorix"
  else
    echo "$XDG_DATA_HOME/stylorix"
  fi
}
archive_file() { echo "$(archive_folder)/$([ "$mode" = wine ] && echo Archiv || echo archive)/$(date +%Y-%m).csv"; }

# Settings before a run: a small time-out keeps the faults quick.
settings_timeout() {
  settings_default
  if [ "$mode" = wine ]; then
    wine reg add 'HKCU\Software\QM\Stylorix\Einstell' /v Timeout /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  else
    mkdir -p "$XDG_CONFIG_HOME/stylorix"
    printf '{"Software\\\\QM\\\\Stylorix\\\\Einstell":{"Timeout":{"type":"integer","value":%d}}}\n' \
      "$1" >"$XDG_CONFIG_HOME/stylorix/settings.json"
  fi
}

# Settings as a new user has them: none stored, so every default (Timeout 10).
settings_default() {
  if [ "$mode" = wine ]; then
    wine reg delete 'HKCU\Software\QM\Stylorix' /f >/dev/null 2>&1 || true
  else
    export XDG_CONFIG_HOME=$work/config
    mkdir -p "$XDG_CONFIG_HOME"
  fi
}

stored_port() {
  if [ "$mode" = wine ]; then
    wine reg query 'HKCU\Software\QM\Stylorix\Einstell' /v Comport 2>/dev/null |
      tr -d '\r' | awk '/Comport/ {print $3}'
  else
    # The file keeps each value as {"type": ..., "value": ...}.
    local file=$XDG_CONFIG_HOME/stylorix/settings.json
    [ -f "$file" ] || return 0
    tr -d '\n' <"$file" | grep -o '"Comport": *{[^}]*}' |
      sed -n 's/.*"value": *"\([^"]*\)".*/\1/p' || true
  fi
}

# Runs the program in $work with the arguments; sets rc, out (stdout without
# CRs) and err.
run() {
  set +e
  if [ "$mode" = wine ]; then
    (cd "$work" && LD_PRELOAD=${SHIM:-} timeout -k 5 "$bound" wine "$PROGRAM" "$@" >out.raw 2>err.txt)
  else
    (cd "$work" && timeout -k 5 "$bound" "$PROGRAM" "$@" >out.raw 2>err.txt)
  fi
  rc=$?
  set -e
  [ "$rc" -ne 124 ] && [ "$rc" -ne 137 ] || fail "the program hung and was killed"
  out=$(tr -d '\r' <"$work/out.raw")
  err=$(cat "$work/err.txt")
}

expect_rc() { [ "$rc" -eq "$1" ] || fail "exit code $rc, expected $1; stderr: $err"; }
expect_out() {
  [ "$out" = "$1" ] || fail "output differs:
--- expected
$1
--- got
$out
--- stderr
$err"
}
expect_err() { grep -q -- "$1" <<<"$err" || fail "no '$1' on stderr: $err"; }

# The Windows program upper-cases the whole option line, file name included.
csv() { if [ "$mode" = wine ]; then echo "$work/F.CSV"; else echo "$work/f.csv"; fi; }

listing() { printf '\nInsert pen!\n\n%s\nPress enter to continue...' "$1"; }
no_pen=$(printf '\nInsert pen!\n\nPress enter to continue...')

case "$case_name" in
  listing)
    settings_timeout 2
    start_sim --code A:1234 --code 66:x\;y --code E:4006381333931
    run /S /P:"$port"
    expect_rc 0
    expect_out "$(listing "$(printf '65;1234\n66;x;y\n69;4006381333931\n')
")"
    [ "$(stored_port)" = "$port" ] || fail "stored port '$(stored_port)', expected $port"
    [ "$(sim_state codes_left)" = 3 ] && [ "$(sim_state sleeps)" = 1 ] || fail "simulator: $(cat "$work/sim.state")"
    ;;
  export)
    settings_timeout 2
    start_sim --code A:1234 --code 66:x\;y --code A:
    run /S /E:f.csv /P:"$port"
    expect_rc 0
    expect_out ""
    printf '65;1234\r\n66;x;y\r\n65;\r\n' | cmp - "$(csv)" || fail "export file: $(od -c "$(csv)")"
    ;;
  code-bytes)
    # A code's bytes are the Western Windows code page: listed as the console
    # shows that text (UTF-8 here, the OEM page 437 under Wine without a
    # console), exported exactly as the pen sent them.
    settings_timeout 2
    start_sim --code $'A:B\xe4r'
    run /S /P:"$port"
    expect_rc 0
    if [ "$mode" = wine ]; then listed=$'65;B\x84r'; else listed='65;Bär'; fi
    expect_out "$(listing "$listed
")"
    run /E:f.csv /P:"$port"
    expect_rc 0
    printf '65;B\344r\r\n' | cmp - "$(csv)" || fail "export file: $(od -c "$(csv)")"
    ;;
  export-umlaut)
    # The file name reaches the file system as typed (Wine reads the command
    # line in the locale's character set).
    export LC_ALL=C.UTF-8
    settings_timeout 2
    start_sim --code A:1
    run /E:bücher.csv /P:"$port"
    expect_rc 0
    if [ "$mode" = wine ]; then name=BüCHER.CSV; else name=bücher.csv; fi
    printf '65;1\r\n' | cmp - "$work/$name" || fail "export file: $(ls "$work")"
    ;;
  export-empty)
    settings_timeout 2
    start_sim
    run /E:f.csv /P:"$port"
    expect_rc 0
    [ -f "$(csv)" ] && [ ! -s "$(csv)" ] || fail "no empty export file"
    ;;
  delete)
    settings_timeout 2
    start_sim --code A:1 --code A:2
    run /D /P:"$port"
    expect_rc 0
    expect_out ""
    [ "$(sim_state codes_left)" = 0 ] && [ "$(sim_state deletes)" = 1 ] || fail "simulator: $(cat "$work/sim.state")"
    ;;
  archive)
    # Every code read is in the archive before the pen is cleared.
    settings_timeout 2
    rm -rf "$(archive_folder)"
    start_sim --code A:1234 --code 66:x\;y --uploads 7
    run /D /P:"$port"
    expect_rc 0
    [ "$(sim_state codes_left)" = 0 ] || fail "pen not cleared"
    [ -f "$(archive_file)" ] || fail "no archive $(archive_file)"
    stamp='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}'
    grep -qE "^$stamp;PEN00042;7;65;1234"$'\r'"\$" "$(archive_file)" &&
      grep -qE "^$stamp;PEN00042;7;66;x;y"$'\r'"\$" "$(archive_file)" &&
      [ "$(wc -l <"$(archive_file)")" = 2 ] || fail "archive: $(od -c "$(archive_file)")"
    ;;
  archive-fails)
    # The archive cannot be written: the codes are listed and exported all the
    # same, the pen keeps them, standard error says so, exit code 3.
    settings_timeout 2
    rm -rf "$(archive_folder)"
    mkdir -p "$(dirname "$(archive_folder)")"
    echo "in the way" >"$(archive_folder)"
    start_sim --code A:1234 --code B:5
    run /S /D /P:"$port"
    rm -f "$(archive_folder)"
    expect_rc 3
    expect_out "$(listing "$(printf '65;1234\n66;5\n')
")"
    expect_err "the codes were not archived"
    expect_err "the pen was not cleared"
    [ "$(sim_state codes_left)" = 2 ] && [ "$(sim_state deletes)" = 0 ] || fail "pen cleared"
    ;;
  delete-refused)
    settings_timeout 2
    start_sim --code A:1 --fault nak@delete
    run /D /P:"$port"
    expect_rc 0
    expect_err "the pen did not confirm the delete"
    ;;
  no-pen)
    settings_timeout 1
    start_sim --code A:1 --fault silence@wake
    run /S /D /P:"$port"
    expect_rc 0
    expect_out "$no_pen"
    [ "$(sim_state codes_left)" = 1 ] || fail "simulator: $(cat "$work/sim.state")"
    ;;
  full-pen)
    # 200 codes at 2400 baud: a reply of 13.8 s, longer than the default
    # time-out of 10 s, still arriving when that has passed.
    settings_default
    start_sim --generate 200 --pace real
    run /S /D /P:"$port"
    expect_rc 0
    [ "$(grep -c '^65;4006' <<<"$out")" = 200 ] || fail "$(grep -c '^65;4006' <<<"$out") codes listed; stderr: $err"
    [ -z "$err" ] || fail "stderr: $err"
    [ "$(sim_state codes_left)" = 0 ] && [ "$(sim_state deletes)" = 1 ] || fail "simulator: $(cat "$work/sim.state")"
    ;;
  export-kept)
    # A code read that failed leaves the last export as it was.
    settings_timeout 1
    start_sim --code A:1 --code A:2 --fault truncate@codes
    printf '65;earlier\r\n' >"$(csv)"
    run /E:f.csv /P:"$port"
    expect_rc 0
    printf '65;earlier\r\n' | cmp - "$(csv)" || fail "export file: $(od -c "$(csv)")"
    expect_err "was not written"
    ;;
  closed-pipe)
    # Standard output is a pipe whose reader has gone (stylorix /S | head -1):
    # an output error, exit code 3, nothing deleted; no death by SIGPIPE.
    [ "$mode" = native ] || fail "a native case"
    settings_timeout 2
    start_sim --code A:1 --code A:2
    mkfifo "$work/pipe"
    exec 7<>"$work/pipe" 8>"$work/pipe"
    exec 7<&-
    set +e
    (cd "$work" && timeout -k 5 "$bound" "$PROGRAM" /S /D /P:"$port" >&8 2>err.txt)
    rc=$?
    set -e
    exec 8>&-
    err=$(cat "$work/err.txt")
    [ "$rc" -ne 141 ] || fail "killed by SIGPIPE"
    expect_rc 3
    expect_err "output error"
    [ "$(sim_state codes_left)" = 2 ] && [ "$(sim_state deletes)" = 0 ] || fail "simulator: $(cat "$work/sim.state")"
    ;;
  wake-late)
    settings_timeout 3
    start_sim --code A:1 --wake-after 3
    run /S /P:"$port"
    expect_rc 0
    expect_out "$(listing "$(printf '65;1\n')
")"
    ;;
  export-fails)
    # The export file cannot be replaced: a framework error, exit code 3, and
    # nothing deleted.
    settings_timeout 2
    start_sim --code A:1
    mkdir -p "$(csv)/inside"
    run /S /E:f.csv /D /P:"$port"
    expect_rc 3
    expect_out ""
    [ -d "$(csv)/inside" ] || fail "target replaced"
    [ "$(sim_state codes_left)" = 1 ] || fail "pen cleared"
    ;;
  wrong-settings)
    # A stored value of the wrong type: reported on stderr, exit code 3.
    if [ "$mode" = wine ]; then
      wine reg delete 'HKCU\Software\QM\Stylorix' /f >/dev/null 2>&1 || true
      wine reg add 'HKCU\Software\QM\Stylorix\Einstell' /v Comport /t REG_DWORD /d 3 /f >/dev/null 2>&1
    else
      export XDG_CONFIG_HOME=$work/config
      mkdir -p "$XDG_CONFIG_HOME/stylorix"
      printf '{"Software\\\\QM\\\\Stylorix\\\\Einstell":{"Comport":{"type":"integer","value":3}}}\n' \
        >"$XDG_CONFIG_HOME/stylorix/settings.json"
    fi
    run /S
    expect_rc 3
    # The message whole, its umlauts as the console would show them: UTF-16 to
    # a console, the console's code page (OEM without one) to a file.
    if [ "$mode" = wine ]; then
      printf "stylorix: Ung\201ltiger Datentyp f\201r 'Comport'\r\n"
    else
      printf "stylorix: Ungültiger Datentyp für 'Comport'\n"
    fi | cmp - <(grep -a Datentyp "$work/err.txt") || fail "stderr: $(od -c "$work/err.txt")"
    [ "$mode" != wine ] || wine reg delete 'HKCU\Software\QM\Stylorix' /f >/dev/null 2>&1 || true
    ;;
  no-port)
    settings_timeout 1
    if [ "$mode" = wine ]; then
      com_link=$WINEPREFIX/dosdevices/com39
      ln -sfn /nonexistent/stylorix-tty "$com_link"
      port=COM39
    else
      port=/nonexistent/stylorix-tty
    fi
    run /S /P:"$port"
    expect_rc 2
    expect_out "$(printf 'Error open COM-Port (%s)!\n\nPress enter to continue...' "$port")"
    [ -z "$(stored_port)" ] || fail "settings were written"
    ;;
  fault-*)
    # fault-KIND[@CMD] with the documented outcome.
    fault=${case_name#fault-}
    settings_timeout 1
    codes=(--code A:1 --code B:22)
    case "$fault" in
      nak@wake|badcheck@wake|silence@wake|garbage@wake|babble@wake)
        start_sim "${codes[@]}" --fault "$fault"
        run /S /D /P:"$port"
        expect_rc 0
        expect_out "$no_pen"
        [ "$(sim_state codes_left)" = 2 ] || fail "pen cleared"
        ;;
      split@codes)
        # 06 00 arrives alone and passes the check-byte rule; the rest follows.
        start_sim "${codes[@]}" --fault split@codes --pause 700
        settings_timeout 2
        run /S /D /P:"$port"
        expect_rc 0
        expect_out "$(listing "$(printf '65;1\n66;22\n')
")"
        [ "$(sim_state codes_left)" = 0 ] || fail "pen not cleared"
        ;;
      overlength@codes|truncate@codes|badcheck@codes|nak@codes)
        start_sim "${codes[@]}" --fault "$fault"
        run /S /D /P:"$port"
        expect_rc 0
        expect_out "$(listing "$(printf 'No codes in pen!\n')
")"
        expect_err "could not be read"
        [ "$(sim_state codes_left)" = 2 ] && [ "$(sim_state deletes)" = 0 ] || fail "pen cleared: $(cat "$work/sim.state")"
        ;;
      many)
        settings_timeout 4
        start_sim --fault many --pace full
        run /S /D /P:"$port"
        expect_rc 0
        [ "$(grep -c '^65;' <<<"$out")" = 200 ] || fail "$(grep -c '^65;' <<<"$out") codes listed"
        expect_err "holds 250 codes; only the first 200 were read; the pen was not cleared"
        [ "$(sim_state codes_left)" = 250 ] && [ "$(sim_state deletes)" = 0 ] || fail "pen cleared"
        ;;
      vanish@codes)
        # Unplugged in the middle of the code read: the run ends at the next
        # look and says so.
        start_sim "${codes[@]}" --fault vanish@codes
        run /S /D /P:"$port"
        expect_rc 0
        expect_err "could not be read"
        expect_err "went away"
        ;;
      *) fail "unknown fault case" ;;
    esac
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "ok [$mode $case_name]"
