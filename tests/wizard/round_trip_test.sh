#!/usr/bin/env bash
# The two project writers, round trip:
#  1. a project saved by the real Kestro.exe (driven under Wine) builds, with
#     kestro-compiler on Linux, the same bytes as Compiler.exe built from the
#     wizard's last Next;
#  2. that project, updated by kestro-compiler (OUTPUT and SOURCEDIR), opens
#     in the wizard with those values and builds the same bytes again there.
#   round_trip_test.sh LINUX_COMPILER WINDOWS_DIST_DIR KESTRO_DRIVER_EXE WORK_DIR
set -euo pipefail
linux_bin=$1 dist=$2 driver_exe=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
for f in Kestro.exe Compiler.exe Stub1.dat; do
  if [ ! -f "$dist/$f" ]; then
    echo "SKIP: $dist/$f is missing (build the windows preset first)"
    exit 77
  fi
done
[ -f "$driver_exe" ] || { echo "SKIP: $driver_exe is missing"; exit 77; }

run=$work/run
rm -rf "$run"
mkdir -p "$run/wiz dir" "$run/files" "$run/tmp"
cp "$dist/Kestro.exe" "$dist/Compiler.exe" "$dist/Stub1.dat" "$run/wiz dir/"
export TZ=UTC
cd "$run"
for i in $(seq 1 2000); do echo "line $i of the round trip"; done >files/a.txt
echo "the second file" >files/b.txt
head -c 30000 /dev/urandom >files/c.bin
touch -d '2025-03-04 05:06:08' files/a.txt files/b.txt files/c.bin

export KESTRO_WINE_DIR=$work/wine
"$scripts/wine-session" start "$KESTRO_WINE_DIR" >/dev/null
kestro_pid=
cleanup() {
  [ -z "$kestro_pid" ] || kill "$kestro_pid" 2>/dev/null || true
  "$scripts/wine-session" stop "$KESTRO_WINE_DIR" >/dev/null
}
trap cleanup EXIT
winpath() { echo "Z:$1" | tr / '\\'; }
drive() { "$scripts/wine-run" "$driver_exe" "$@" --timeout 60; }
main="tessaron Kestro"
# Control IDs of the wizard (wizard/resource.h) and of the open dialog.
id_of() { awk -v n="$1" '$1 == "#define" && $2 == n { print $3 }' "$here/../../wizard/resource.h"; }
next=$(id_of IDC_Next) cancel=$(id_of IDC_Cancel) list=$(id_of IDC_lbSrcFiles)
add_files=$(id_of IDC_btnAddSrcFiles) pwd=$(id_of IDC_Pwd) pwd_text=$(id_of IDC_Edit5)
title=$(id_of IDC_eTitle) output=$(id_of IDC_Edit4)
extract_only=$(id_of IDC_RadioButton954) question=$(id_of IDC_ch1)
file_name_box=1148
field() { cut -f1; }  # get prints text, enabled, visible
visible() { [ "$(drive get "$main" "$1" | cut -f3)" = 1 ]; }
wait_for() {  # wait_for CONTROL: until the control is visible
  for _ in $(seq 150); do visible "$1" && return 0; sleep 0.2; done
  echo "control $1 did not show"; exit 1
}
done_page() {
  for _ in $(seq 300); do [ "$(drive get "$main" "$next" | field)" = "&New >" ] && return 0; sleep 0.5; done
  echo "the wizard did not reach \"done\""; exit 1
}
start_wizard() {  # start_wizard PROJECT: on the "files" page
  "$scripts/wine-run" "$(winpath "$run/wiz dir/Kestro.exe")" "$(winpath "$1")" </dev/null >kestro.log 2>&1 &
  kestro_pid=$!
  drive wait "$main" >/dev/null
  wait_for "$list"
}
end_wizard() {
  drive click "$main" "$cancel"
  wait "$kestro_pid" || true
  kestro_pid=
}
pages_to_save() { for c in "$question" "$title" "$extract_only" "$output"; do drive click "$main" "$next"; wait_for "$c"; done; }

# 1. The author's project, made in the wizard.
printf '[Settings]\r\nCaption=Round Trip\r\n[Files]\r\nNumFiles=0\r\n' >"wiz dir/author.tkp"
start_wizard "$run/wiz dir/author.tkp"
drive click "$main" "$add_files"
# Into the folder, which empties the box; under load that can take a while.
# A press the dialog did not take leaves the folder in the box: press again;
# a dialog still setting itself up may have replaced it: type it again.
folder=$(winpath "$run/files")
entered=
for _ in 1 2 3 4; do
  [ "$(drive get Open "$file_name_box" | field)" = "${folder//\\/\\\\}" ] || drive set-text Open "$file_name_box" "$folder"
  drive wait-press Open "&Open" >/dev/null
  for _ in $(seq 75); do [ -z "$(drive get Open "$file_name_box" | field)" ] && entered=1 && break; sleep 0.2; done
  [ -z "$entered" ] || break
done
[ -n "$entered" ] || { echo "the open dialog did not enter the folder"; exit 1; }
drive set-text Open "$file_name_box" '"a.txt" "b.txt" "c.bin"'
drive wait-press Open "&Open" >/dev/null
drive wait-gone Open
drive click "$main" "$next"
wait_for "$question"
drive click "$main" "$pwd"
drive set-text "$main" "$pwd_text" "round trip"
drive click "$main" "$next"
wait_for "$title"
drive set-text "$main" "$title" "Round Trip Files"
drive click "$main" "$next"
wait_for "$extract_only"
drive click "$main" "$extract_only"
drive click "$main" "$next"
wait_for "$output"
drive set-text "$main" "$output" "$(winpath "$run/wizard.exe")"
drive click "$main" "$next"  # saves, then Compiler.exe builds wizard.exe
done_page
end_wizard
[ -f wizard.exe ] || { echo "Compiler.exe built nothing"; exit 1; }
grep -q "^File3=Z:.*\\\\files\\\\c.bin" "wiz dir/author.tkp" || { cat "wiz dir/author.tkp"; exit 1; }

# Rebuilt on Linux: the Windows paths of the wizard's list are not there, so
# the pipeline names the folder of the sources (listed in the order Windows
# lists it) and a new output.
cp "wiz dir/author.tkp" "wiz dir/pipeline.tkp"
TMPDIR="$run/tmp" "$linux_bin" --yes --stub "wiz dir/Stub1.dat" "wiz dir/pipeline.tkp" linux.exe files >linux.log 2>&1 ||
  { cat linux.log; exit 1; }
cmp wizard.exe linux.exe
echo "the wizard's project: Compiler.exe and kestro-compiler give the same bytes"

# 2. The project kestro-compiler updated, in the wizard.
tr -d '\r' <"wiz dir/pipeline.tkp" >pipeline.txt
stored_output=$(sed -n 's/^Output=//p' pipeline.txt)
[ "$stored_output" = '..\linux.exe' ] || { echo "Output=$stored_output"; exit 1; }
mv linux.exe linux-built.exe
start_wizard "$run/wiz dir/pipeline.tkp"
items=$(drive items "$main" "$list" | grep -v '^selected	\|^extent	')
expected=$(sed -n 's/^File[0-9]*=//p' pipeline.txt | sed 's/\\/\\\\/g')
[ "$items" = "$expected" ] || { echo "list: $items"; echo "project: $expected"; exit 1; }
[ "$expected" = "$(printf '..\\\\files\\\\a.txt\n..\\\\files\\\\b.txt\n..\\\\files\\\\c.bin')" ] ||
  { echo "files: $expected"; exit 1; }
pages_to_save
shown=$(drive get "$main" "$output" | field)
[ "$shown" = '..\\linux.exe' ] || { echo "Output shown: $shown"; exit 1; }
drive click "$main" "$next"  # Compiler.exe, paths taken from the project's folder
done_page
end_wizard
cmp linux-built.exe linux.exe
echo "the updated project opens in the wizard and builds the same bytes there"
