#!/usr/bin/env bash
# Checks the 32-bit product DLL as far as a 64-bit machine can: it exports
# KelMain alone, imports only `err` from BRAMEL.DLL besides system DLLs, and
# KelMain is stdcall (it removes its one 4-byte argument: ret $0x4).
#   check-dll.sh OBJDUMP DLL
set -euo pipefail
objdump=$1
dll=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

headers=$("$objdump" -p "$dll")
grep -q 'file format pei-i386' <<<"$("$objdump" -f "$dll")" || fail "not a 32-bit PE image"

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && /^[[:space:]]*\[/{print $NF} on && !/^[[:space:]]*\[/{on=0}' <<<"$headers")
[ "$exports" = "KelMain" ] || fail "exports are [$exports], expected KelMain alone"

dlls=$(awk '/DLL Name:/{print toupper($3)}' <<<"$headers" | sort -u)
allowed='^(BRAMEL\.DLL|KERNEL32\.DLL|MSVCRT\.DLL|USER32\.DLL|ADVAPI32\.DLL|API-MS-WIN-.*\.DLL)$'
while read -r name; do
  [[ "$name" =~ $allowed ]] || fail "imports from $name, which is not a system DLL"
done <<<"$dlls"
grep -qx 'BRAMEL.DLL' <<<"$dlls" || fail "no import from BRAMEL.DLL"
bramel_imports=$(awk '/DLL Name:/{dll=toupper($3)} dll=="BRAMEL.DLL" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[^[:space:]]+$/{print $3}' <<<"$headers")
[ "$bramel_imports" = "err" ] || fail "imports from BRAMEL.DLL are [$bramel_imports], expected err"

disassembly=$("$objdump" -d --no-show-raw-insn "$dll")
body=$(awk '/<_?KelMain(@4)?>:$/{on=1; next} on && /^$/{exit} on{print}' <<<"$disassembly")
[ -n "$body" ] || fail "KelMain not found in the disassembly"
grep -q 'ret[l]\?\s\+\$0x4' <<<"$body" || fail "KelMain does not return with ret \$0x4"
if grep -qE 'ret[l]?\s*$' <<<"$body"; then fail "KelMain has a plain ret"; fi

echo "torva.dll: exports KelMain alone; imports err from BRAMEL.DLL and system DLLs: $(tr '\n' ' ' <<<"$dlls"); KelMain returns with ret \$0x4"
