#!/usr/bin/env bash
# The same project, stub and source files (same times) compiled by the Linux
# kestro-compiler and by the Windows one under Wine must give the same bytes.
#   cross_host_test.sh LINUX_COMPILER WINDOWS_COMPILER_EXE WORK_DIR
set -euo pipefail
linux_bin=$1 windows_exe=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
if [ ! -f "$windows_exe" ]; then
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
touch -d '2024-05-06 07:08:10' src/text.txt src/empty.dat src/sub/noise.bin src/program.exe
printf 'stub head eLgNiS\x124C!\x124 twenty-one bytes and more' >stub.dat

project() {
  printf '[Settings]\r\nOutput=%s\r\nCaption=Cross host\r\nPassword=secret\r\nLicenseText=Line A\x01\xffLine B\r\n' "$1"
  printf '[Files]\r\nFile1=src\\text.txt\r\nFile2=src\\empty.dat\r\nFile3=src\\sub\\noise.bin\r\nFile4=src\\program.exe\r\n'
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
