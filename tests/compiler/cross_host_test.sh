#!/usr/bin/env bash
# The same project, stub and source files (same times) compiled by the Linux
# kestro-compiler and by the Windows one under Wine must give the same bytes.
# Then names outside ASCII cross between the hosts: the project holds
# Windows-1252, a POSIX disk UTF-8.
#   cross_host_test.sh LINUX_COMPILER WINDOWS_COMPILER_EXE WORK_DIR LINUX_EXTRACT STUB1_DAT
set -euo pipefail
linux_bin=$1 windows_exe=$2 work=$3 linux_extract=$4 real_stub=$5
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
if [ ! -f "$windows_exe" ] || [ ! -f "$real_stub" ]; then
  echo "SKIP: $windows_exe is missing (build the windows preset first)"
  exit 77
fi

run=$work/run
rm -rf "$run"
mkdir -p "$run/src/sub" "$run/tmp-linux"
export TZ=UTC
cd "$run"

# Sources: text, an empty file, noise over several blocks, and a Windows
# program with a version resource (the version words come from our PE reader
# on Linux and from the system's version functions on Windows).
for i in $(seq 1 3000); do echo "line $i of the cross-host sample"; done >src/text.txt
: >src/empty.dat
head -c 70000 /dev/urandom >src/sub/noise.bin
cp "$windows_exe" src/program.exe
umlaut=$(printf 'Gr\xc3\xb6\xc3\x9fe.txt')  # "Größe.txt" on disk (UTF-8)
echo "umlauts" >"src/$umlaut"
touch -d '2024-05-06 07:08:10' src/text.txt src/empty.dat src/sub/noise.bin src/program.exe "src/$umlaut"
# Before the DOS range: both hosts clamp it to 1980-01-01 00:00:00.
echo "an old file" >src/old.txt
touch -d '1975-06-01 12:00:00' src/old.txt
printf 'stub head eLgNiS\x124C!\x124 twenty-one bytes and more' >stub.dat

project() {
  printf '[Settings]\r\nOutput=%s\r\nCaption=Cross host\r\nPassword=secret\r\nLicenseText=Line A\x01\xffLine B\r\n' "$1"
  printf '[Files]\r\nFile1=src\\text.txt\r\nFile2=src\\empty.dat\r\nFile3=src\\sub\\noise.bin\r\nFile4=src\\program.exe\r\n'
  printf 'File5=src\\Gr\xf6\xdfe.txt\r\n'
  printf 'File6=src\\old.txt\r\n'
  printf '[Dirs]\r\n1=%%a\\docs\r\n[Icons]\r\n1=Sample,%%a\\program.exe,%%a\r\n'
  printf '[INI]\r\n1=%%a\\x.ini,Main,Key,Value,S\r\n[Registry]\r\n1=HKEY_CURRENT_USER,Software\\X,N,DWORD,$10,K\r\n'
}
project 'linux.exe' >linux.tkp
project 'windows.exe' >windows.tkp

TMPDIR="$run/tmp-linux" "$linux_bin" --yes --stub stub.dat linux.tkp

export KESTRO_WINE_DIR=$work/wine
"$scripts/wine-session" start "$KESTRO_WINE_DIR" >/dev/null
trap '"$scripts/wine-session" stop "$KESTRO_WINE_DIR" >/dev/null' EXIT
winpath() { echo "Z:$1" | tr / '\\'; }
"$scripts/wine-run" "$windows_exe" --yes --stub "$(winpath "$run/stub.dat")" "$(winpath "$run/windows.tkp")"

ls -l linux.exe windows.exe
cmp linux.exe windows.exe
echo "identical: $(sha256sum <linux.exe | cut -c1-16)"

# The Windows-built output extracted on Linux: the name arrives as UTF-8.
"$linux_extract" -p secret -d "$run/x-linux" windows.exe >/dev/null
cmp "src/$umlaut" "x-linux/$umlaut"

# A Linux-built output with the real extractor, run under Wine: the name
# arrives as Windows wrote it (Wine keeps it as UTF-8 on this disk).
mkdir -p pool
cp -p "src/$umlaut" pool/
printf '[Settings]\r\nOutput=x.exe\r\nExtractOnly=1\r\nRunProgram=0\r\nQuiet=1\r\n' >real.tkp
TMPDIR="$run/tmp-linux" "$linux_bin" --yes --stub "$real_stub" real.tkp real.exe pool >/dev/null 2>&1
"$scripts/wine-run" "$run/real.exe" /S "/D=$(winpath "$run/x-wine")"
cmp "src/$umlaut" "x-wine/$umlaut"
echo "non-ASCII names cross both ways"

# A name Windows-1252 cannot hold is refused on both hosts, naming the file
# as the listing shows it, before anything is packed.
mkdir -p cjk
printf "x" >"cjk/$(printf "\xe6\x97\xa5\xe6\x9c\xac.txt")"
refused() {
  local log=$1 code=$2
  [ "$code" -eq 1 ] || { echo "exit code $code, expected 1"; cat "$log"; exit 1; }
  grep -q "(??.txt) ergibt keinen g.*ltigen Dateinamen" "$log" || { cat "$log"; exit 1; }
  grep -q "Windows-1252 cannot hold" "$log" || { cat "$log"; exit 1; }
}
code=0
TMPDIR="$run/tmp-linux" "$linux_bin" --yes --stub "$real_stub" real.tkp cjk.exe cjk >cjk-linux.log 2>&1 || code=$?
refused cjk-linux.log "$code"
code=0
"$scripts/wine-run" "$windows_exe" --yes --stub "$(winpath "$real_stub")" "$(winpath "$run/real.tkp")" \
  "$(winpath "$run/cjk.exe")" "$(winpath "$run/cjk")" >cjk-windows.log 2>&1 || code=$?
refused cjk-windows.log "$code"
[ ! -e cjk.exe ] || { echo "cjk.exe was built"; exit 1; }
echo "a name outside Windows-1252 is refused on both hosts"

# Both hosts' outputs with the real stub extract under Wine, the file from
# before 1980 included (dated 1980-01-01 by the stub, not a failure).
stub=$(dirname "$windows_exe")/Stub1.dat
if [ -f "$stub" ]; then
  extract_project() {
    printf '[Settings]\r\nOutput=%s\r\nExtractOnly=1\r\nExtractOnlyNoDlg=1\r\n' "$1"
    printf '[Files]\r\nFile1=src\\text.txt\r\nFile2=src\\old.txt\r\n'
  }
  extract_project 'real-linux.exe' >real-linux.tkp
  extract_project 'real-windows.exe' >real-windows.tkp
  TMPDIR="$run/tmp-linux" "$linux_bin" --yes --stub "$stub" real-linux.tkp
  "$scripts/wine-run" "$windows_exe" --yes --stub "$(winpath "$stub")" "$(winpath "$run/real-windows.tkp")"
  cmp real-linux.exe real-windows.exe
  for host in linux windows; do
    rm -rf "out-$host"
    code=0
    "$scripts/wine-run" "real-$host.exe" /S "/D=$(winpath "$run/out-$host")" || code=$?
    [ "$code" -eq 0 ] || { echo "the $host-built output exited with $code"; exit 1; }
    cmp src/old.txt "out-$host/old.txt"
    cmp src/text.txt "out-$host/text.txt"
    year=$(date -r "out-$host/old.txt" +%Y)
    [ "$year" = 1980 ] || { echo "old.txt extracted with year $year"; exit 1; }
  done
  echo "both outputs extract; the pre-1980 file is dated 1980"
fi

# SOURCE_DATE_EPOCH: Compiler.exe under Wine and kestro-compiler on Linux in
# another time zone give the same bytes (times in UTC, none after the epoch).
compiler_exe=$(dirname "$windows_exe")/Compiler.exe
if [ -f "$compiler_exe" ] && [ -f "$stub" ]; then
  epoch_project() {
    printf '[Settings]\r\nOutput=%s\r\nQuiet=1\r\nExtractOnly=1\r\n' "$1"
    printf '[Files]\r\nFile1=src\\text.txt\r\nFile2=src\\old.txt\r\nFile3=src\\fresh.txt\r\n'
  }
  echo "made just now" >src/fresh.txt
  epoch_project "$(winpath "$run/epoch-windows.exe")" >epoch-windows.tkp
  epoch_project 'epoch-linux.exe' >epoch-linux.tkp
  export SOURCE_DATE_EPOCH=1700000000
  TZ=JST-9 TMPDIR="$run/tmp-linux" "$linux_bin" --yes --stub "$stub" epoch-linux.tkp
  "$scripts/wine-run" "$compiler_exe" "$(winpath "$run/epoch-windows.tkp")"
  unset SOURCE_DATE_EPOCH
  cmp epoch-linux.exe epoch-windows.exe
  echo "SOURCE_DATE_EPOCH: Compiler.exe and the Linux compiler agree"
fi
