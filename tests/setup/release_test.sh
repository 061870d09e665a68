#!/usr/bin/env bash
# scripts/release in a scratch copy of the tree:
#   release_test.sh SOURCE_DIR WINDOWS_DIST_DIR KESTRO_COMPILER KESTRO_EXTRACT
# The wizard is replaced by a few bytes of our own, only inside the scratch
# tree. Exit 77 (skipped) while the Windows programs are not built.
set -u
src=$1 win=$2 compiler=$3 extract=$4
for f in setup.exe Compiler.exe Stub1.dat Unkest70.exe; do
  [ -f "$win/$f" ] || { echo "skipped: $win/$f is not built"; exit 77; }
done
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$tree/scripts" "$tree/dist/windows" "$tree/dist/linux"
cp "$src/scripts/release" "$tree/scripts/"
cp -r "$src/release" "$tree/"
for f in setup.exe Compiler.exe Stub1.dat Unkest70.exe; do cp "$win/$f" "$tree/dist/windows/"; done
cp "$compiler" "$tree/dist/linux/kestro-compiler"

# Without the wizard the release stops, saying why, and makes nothing.
out=$("$tree/scripts/release" 2>&1) && fail "release succeeded without Kestro.exe"
grep -q "Kestro.exe (the wizard) does not exist" <<<"$out" || fail "unclear message: $out"
[ ! -e "$tree/dist/KestroSetup.exe" ] || fail "KestroSetup.exe made without the wizard"

printf 'MZ a stand-in for the wizard' >"$tree/dist/windows/Kestro.exe"
"$tree/scripts/release" >"$tree/log" 2>&1 || { cat "$tree/log"; fail "release failed"; }

# Exactly the files setup copies, and setup itself.
names=$(cd "$tree/dist/release" && ls | sort | tr '\n' ' ')
want="Compiler.ex_ License.txt Order.txt Readme.txt Stub1.da_ Untessa.ex_ kestro.ex_ setup.exe "
[ "$names" = "$want" ] || fail "dist/release holds: $names"
for pair in setup.exe:setup.exe Kestro.exe:kestro.ex_ Compiler.exe:Compiler.ex_ Stub1.dat:Stub1.da_ \
  Unkest70.exe:Untessa.ex_; do
  cmp -s "$tree/dist/windows/${pair%%:*}" "$tree/dist/release/${pair##*:}" || fail "${pair##*:} differs"
done
for t in Readme.txt License.txt Order.txt; do
  [ "$(tr -d '\r' <"$tree/dist/release/$t")" = "$(tr -d '\r' <"$src/release/$t")" ] || fail "$t differs"
  [ "$(grep -c $'\r$' "$tree/dist/release/$t")" = "$(wc -l <"$src/release/$t")" ] || fail "$t lacks CR LF"
done

# The one-file installer carries the release and runs setup.exe.
setup="$tree/dist/KestroSetup.exe"
[ -s "$setup" ] || fail "no dist/KestroSetup.exe"
listing=$("$extract" -l "$setup") || fail "kestro-extract -l failed: $listing"
for f in setup.exe kestro.ex_ Compiler.ex_ Readme.txt License.txt Stub1.da_ Order.txt Untessa.ex_; do
  grep -q "$f" <<<"$listing" || fail "$f is not in KestroSetup.exe: $listing"
done
mkdir "$tree/x"
"$extract" -d "$tree/x" "$setup" >"$tree/extract.log" 2>&1 ||
  { cat "$tree/extract.log"; fail "cannot extract KestroSetup.exe"; }
cmp -s "$tree/x/setup.exe" "$win/setup.exe" || fail "setup.exe extracted differs"
echo "ok: dist/release and dist/KestroSetup.exe ($(stat -c %s "$setup") bytes)"
