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
printf 'stub head eLgNiS\x124C!\x124 twenty-one bytes and more' >stub.dat

project() {
  printf '[Settings]\r\nOutput=%s\r\nCaption=Cross host\r\nPassword=secret\r\nLicenseText=Line A\x01\xffLine B\r\n' "$1"
  printf '[Files]\r\nFile1=src\\text.txt\r\nFile2=src\\empty.dat\r\nFile3=src\\sub\\noise.bin\r\nFile4=src\\program.exe\r\n'
  printf 'File5=src\\Gr\xf6\xdfe.txt\r\n'
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
