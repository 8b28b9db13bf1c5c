# Shared by the Wine suite's scripts (sourced): Wine's environment, failing,
# the dialog tests' drawing, a file held by another program, the check that
# the host's exchange file is untouched. Needs Q527_STATE, Q527_WINE,
# Q527_WINESERVER and Q527_INSPECT; the sourcing script sets work and app.

state=$Q527_STATE
export WINEPREFIX=$state/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=$Q527_WINE
export WINESERVER=$Q527_WINESERVER
export LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY
locker=

die() {
  echo "FAIL: $*" >&2
  exit 1
}

# The drawing of the dialog's Wine tests: 3 circles, 0 arcs and 12 circular
# solids among other figures, a Shift-JIS text.
write_e2e_drawing() {  # write_e2e_drawing FILE
  {
    printf 'hk 0\r\nlg0\r\nly0\r\nlc1\r\nlt1\r\nlw0\r\n'
    printf '0 0 100 0\r\nci 10 10 5\r\nci 20 10 5\r\nlc3\r\nci 30 10 2.5\r\n'
    printf 'ly1\r\nlc10 200\r\n'
    local i
    for i in $(seq 12); do printf 'se %d 40 3 1 0 0 6.28318530717959 100\r\n' $((i * 10)); done
    printf 'ly2\r\ncn1\r\n'
    printf 'ch 0 50 1 0 "\x83\x5c\x83\x74\x83\x67\r\n'  # a text, Shift-JIS bytes as they are
    printf '10 60 20 60\r\n'
  } >"$1"
}

# Another program opens FILE sharing nothing and holds it until unlock.
lock() {
  rm -f "$work/unlock"
  "$WINELOADER" "$Q527_INSPECT" lock "$1" "$work/unlock" 120 >"$work/lock.out" 2>"$work/lock.err" </dev/null &
  locker=$!
  local i
  for i in $(seq 300); do
    grep -qx locked "$work/lock.out" 2>/dev/null && return
    kill -0 "$locker" 2>/dev/null || die "the lock was not taken: $(cat "$work/lock.err")"
    sleep 0.1
  done
  die "the lock was not taken in 30 s"
}

unlock() {
  touch "$work/unlock"
  wait "$locker" || die "the locking program failed: $(cat "$work/lock.err")"
  locker=
}

# The exchange file as the host wrote it ($work/input.txt), and no temporary
# file left beside it.
expect_untouched() {
  cmp "$work/input.txt" "$app/JWC_TEMP.TXT" >&2 || die "the exchange file lost the host's content"
  local left
  left=$(find "$app" -maxdepth 1 -name '*.q527-tmp')
  [[ -z $left ]] || die "temporary file left: $left"
}
