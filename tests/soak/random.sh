# The soak's seeded random stream and the record of what it sent. Only the
# soak's own choices draw from the stream (never in a subshell, which would
# not advance it), so a seed replays the same choices as long as the viewer
# answers the same way.

declare -A sent=()   # inputs sent, by kind
recent=()            # the latest inputs, newest last, for failure reports
inputs_log=/dev/null # every input with the second it was sent

seed_stream() {  # seed_stream SEED
  RANDOM=$1
}

rand() {  # rand N: a number in [0, N) into $r; 0 when N is not positive
  if [ "${1:-0}" -le 0 ]; then
    r=0
    return
  fi
  r=$(( ((RANDOM << 15) | RANDOM) % $1 ))
}

rand_between() {  # rand_between LOW HIGH: a number in [LOW, HIGH] into $r
  rand $(( $2 - $1 + 1 ))
  r=$(( r + $1 ))
}

# Picks one word of a weighted list ("word:weight" ...) into $pick.
pick_weighted() {
  local entry total=0
  for entry in "$@"; do total=$((total + ${entry#*:})); done
  rand "$total"
  for entry in "$@"; do
    r=$((r - ${entry#*:}))
    if [ "$r" -lt 0 ]; then
      pick=${entry%%:*}
      return
    fi
  done
}

pick_one() {  # pick_one WORD...: one of the words into $pick
  rand $#
  local words=("$@")
  pick=${words[$r]}
}

pause_ms() {  # pause_ms MILLISECONDS
  sleep "$(printf '%d.%03d' $(( $1 / 1000 )) $(( $1 % 1000 )))"
}

note() {  # note KIND DETAIL: counts an input sent, logs it and keeps it for reports
  sent[$1]=$(( ${sent[$1]:-0} + 1 ))
  echo "$SECONDS $1 $2" >>"$inputs_log"
  recent+=("$1 $2")
  [ "${#recent[@]}" -gt 8 ] && recent=("${recent[@]:1}")
}
