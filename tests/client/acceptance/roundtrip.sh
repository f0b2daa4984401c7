#!/usr/bin/env bash
# Runs the acceptance program against the test server in every setting the
# round trip must hold in: the SQLDA form and (PDCLTOPTIONSTR=S) the
# descriptor form; a big-endian server and a "PC" one; no conversion and a
# converting mode, against an EUC server and a UTF-8 one.
# Arguments: the emulator that runs the build's programs (may be empty),
# marlo_testserver, the program, the table fixture.
set -uo pipefail
emulator=$1 server=$2 program=$3 tables=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# code set, PDCLTCNVMODE, a word in the client's code that the text column
# takes and gives back
settings=(
  "3j NOUSE C6FCCBDC"
  "3j EUCHJ 93FA967B"
  "5u NOUSE E697A5E69CAC"
  "5u UTF8 93FA967B"
)
status=0
for setting in "${settings[@]}"; do
  read -r code_set mode word <<<"$setting"
  for form in "" S; do
    for order in big pc; do
      flags=(--service sds01 --code-set "$code_set" --tables "$tables")
      [ "$order" = pc ] && flags+=(--little-endian)
      coproc srv { exec $emulator "$server" "${flags[@]}"; }
      read -r ports <&"${srv[0]}"
      name=${ports#name=}
      name=${name%% *}
      out=$(env PDFESHOST="127.0.0.1:$name" PDSERVICEGRP=sds01 PDHOST=127.0.0.1 PDAUTOCONNECT=OFF \
        PDMEMTRCFILE="$work/pdmem.trc" PDDFLNVAL=USE PDCLTOPTIONSTR="$form" PDCLTCNVMODE="$mode" \
        PDSRVTYPE=$([ "$order" = pc ] && echo PC || echo WS) ZK_SAME_ORDER=$([ "$order" = pc ] && echo 1 || echo 0) ZK_WORD="$word" $emulator "$program" 2>&1)
      rc=$?
      exec {srv[1]}>&-
      wait "$srv_PID" 2>/dev/null
      if [ $rc -ne 0 ]; then
        echo "FAILED: server $code_set $order, PDCLTCNVMODE=$mode, PDCLTOPTIONSTR=$form"
        echo "$out"
        status=1
      fi
    done
  done
done
[ $status -eq 0 ] && echo "every setting held"
exit $status
