#!/usr/bin/env bash
# zanteqctl.exe under Wine with the simulator as COM1: the port list names
# COM1; a read gives the simulator's values; a changed file written and read
# back over the first one comes back whole and diff agrees; --log writes
# its rows; a silent unit is reported within its time-out; RS-485 replies carry the unit's
# address; a missing port is exit status 3. Uses the end-to-end tests' Wine
# prefix, under its lock.
#
#   tests/ctl/wine_smoke.sh ZANTEQCTL_EXE ZANTEQ_SIM
set -euo pipefail
exe="$(realpath "$1")"
sim="$(realpath "$2")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
export ZANTEQ_WINE_DIR="${ZANTEQ_WINE_DIR:-$(dirname "$(dirname "$exe")")/wine-e2e}"
# shellcheck source=scripts/wine-env
source "$root/scripts/wine-env"
zanteq_run_locked "$(realpath "$0")" "$@"

work="$(mktemp -d)"
finish() {
  zanteq_sim_stop
  rm -rf "$work"
}
trap finish EXIT
zanteq_wine_prepare
unset DISPLAY  # a console program: no window, no display needed

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
ctl() {
  zanteq_wine "$exe" "$@"
}
win() {
  zanteq_windows_path "$1"
}

zanteq_sim_start "$sim" --rx-raw "$work/rx.raw" --time-limit 120 --set VAB02100 --set ADT045
ctl ports >"$work/ports" || fail "ports"
grep -qx 'COM1' <(tr -d '\r' <"$work/ports") || fail "ports does not list COM1: $(cat "$work/ports")"

ctl --port COM1 read -o "$(win "$work/a.dat")" || fail "read"
a="$(tr '\r\n' ' ' <"$work/a.dat")"
[ "$(sed -n 3p "$work/a.dat" | tr -d '\r')" = 045 ] || fail "hold time not read: $a"
[ "$(sed -n 33p "$work/a.dat" | tr -d '\r')" = 36 ] || fail "brightness ch.02 not read: $a"

# Brightness ch.01 50, hue ch.04 200, then write, read back, diff.
sed -e '32s/^[0-9]*/50/' -e '47s/^[0-9]*/200/' "$work/a.dat" >"$work/b.dat"
ctl --port COM1 write "$(win "$work/b.dat")" --json >"$work/write.json" || fail "write: $(cat "$work/write.json")"
grep -q '"result":"done","steps_done":50' "$work/write.json" || fail "write result: $(cat "$work/write.json")"
grep -q $'^VAB01114\r$' "$work/rx.raw" || fail "brightness ch.01 not sent as VAB01114"
grep -q $'^VAH04200\r$' "$work/rx.raw" || fail "hue ch.04 not sent"
# Read back over the first file: the safe replace of an existing file.
ctl --port COM1 read -o "$(win "$work/a.dat")" || fail "read back"
cmp "$work/b.dat" "$work/a.dat" || fail "the file read back differs from the one written"
! compgen -G "$work/*.new" >/dev/null || fail "a new file was left beside the target: $(ls "$work")"
ctl --port COM1 diff "$(win "$work/b.dat")" >"$work/diff" || fail "diff: $(cat "$work/diff")"
[ ! -s "$work/diff" ] || fail "diff printed $(cat "$work/diff")"

err="$(ctl --port COM1 --timeout 300 --log "$(win "$work/comm.log")" send RVN XYZ 2>&1 >/dev/null | tr -d '\r')" || true
grep -q 'XYZ: reply E3' <<<"$err" || fail "an unknown command: $err"
# The log: a byte-order mark, then the rows in the program's format.
[ "$(head -c 3 "$work/comm.log" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the log has no byte-order mark"
grep -q $'\t送信\tXYZ\r$' "$work/comm.log" && grep -q $'\t受信\tE3\r$' "$work/comm.log" &&
  grep -q $'\t\tCOM1 を閉じました\r$' "$work/comm.log" || fail "log rows: $(cat "$work/comm.log")"
zanteq_sim_stop
zanteq_sim_start "$sim" --time-limit 60 --fault "silent always"
status=0
err="$(ctl --port COM1 --timeout 300 send RVN 2>&1 >/dev/null | tr -d '\r')" || status=$?
[ "$status" = 1 ] && grep -q 'RVN: no reply within 300 ms' <<<"$err" || fail "a silent unit gave status $status: $err"

status=0
ctl --port COM9 read -o "$(win "$work/x.dat")" 2>"$work/err" || status=$?
[ "$status" = 3 ] || fail "a missing port gave status $status: $(cat "$work/err")"
zanteq_sim_stop

# RS-485: the unit's address on every line both ways.
zanteq_sim_start "$sim" --rx-raw "$work/rx485.raw" --time-limit 60 --rs485 7
out="$(ctl --port COM1 --address 7 send RVAB01 VAB01127 RVAB01 | tr -d '\r')" || fail "send: $out"
[ "$out" = "$(printf 'VAB01000\nGO\nVAB01127')" ] || fail "send replies: $out"
[ "$(tr -d '\r' <"$work/rx485.raw" | tr '\n' ' ')" = "07RVAB01 07VAB01127 07RVAB01 " ] || fail "RS-485 wire: $(cat "$work/rx485.raw")"
echo "zanteqctl.exe smoke test passed"
