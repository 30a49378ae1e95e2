# Sourced by the test scripts: runs ctest-style suites, shows their output,
# and adds their counts to $passed and $failed (which the caller sets to 0).
# A suite that prints no ctest summary counts as one failure, unless it ran
# nothing and exited 0.
#   run_suite <name> <log> <command...>    runs it now, its output shown as it goes
#   start_suite <name> <log> <command...>  runs it in the background, after the
#                                          suites started before it, at a lower
#                                          priority than the foreground's ...
#   finish_suites                          ... waits for those, then shows and
#                                          counts each, in the order started
count_suite() { # <name> <log> <exit status>
  local name=$1 log=$2 rc=$3
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

run_suite() { # <name> <log> <command...>
  local name=$1 log=$2
  shift 2
  echo "== $name"
  "$@" 2>&1 | tee "$log"
  count_suite "$name" "$log" "${PIPESTATUS[0]}"
}

started_suites=()
last_started=""
start_suite() { # <name> <log> <command...>
  local name=$1 log=$2 previous=$last_started
  shift 2
  rm -f "$log.status"
  (
    if [ -n "$previous" ]; then
      while kill -0 "$previous" 2>/dev/null; do sleep 0.2; done
    fi
    nice -n 10 "$@" >"$log" 2>&1
    echo $? >"$log.status"
  ) &
  last_started=$!
  started_suites+=("$name" "$log")
}

finish_suites() {
  wait
  local i
  for ((i = 0; i < ${#started_suites[@]}; i += 2)); do
    local name=${started_suites[i]} log=${started_suites[i + 1]}
    echo "== $name"
    cat "$log"
    count_suite "$name" "$log" "$(cat "$log.status" 2>/dev/null || echo 1)"
  done
  started_suites=()
  last_started=""
}
