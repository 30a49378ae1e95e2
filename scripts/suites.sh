# Sourced by the test scripts: runs one ctest-style suite, shows its output,
# and adds its counts to $passed and $failed (which the caller sets to 0).
# A suite that prints no ctest summary counts as one failure, unless it ran
# nothing and exited 0.
run_suite() { # <name> <log> <command...>
  local name=$1 log=$2
  shift 2
  echo "== $name"
  "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    if [ "$rc" -eq 0 ] && ! grep -qE '^ *[0-9]+/[0-9]+ Test' "$log"; then
      return # no tests in this tree
    fi
    echo "$name: no test summary (exit status $rc)"
    failed=$((failed + 1))
    return
  fi
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
}
