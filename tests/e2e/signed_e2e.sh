#!/usr/bin/env bash
# A compiled output signed with Authenticode (a certificate appended after
# the data) still extracts. Uses for_signing.exe and src/ that stub_e2e_test
# left in WORK; signs with a self-signed certificate made here.
set -euo pipefail
work=${1:?work folder}
wine_run=${2:?wine-run}
[ -f "$work/for_signing.exe" ] || { echo "no unsigned output in $work (run stub_e2e_test first)"; exit 1; }
dir="$work/signed"
rm -rf "$dir"
mkdir -p "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/key.pem" -out "$dir/cert.pem" -days 2 \
  -subj "/CN=Kestro test signer" >/dev/null 2>&1
osslsigncode sign -certs "$dir/cert.pem" -key "$dir/key.pem" -n "Kestro test" \
  -in "$work/for_signing.exe" -out "$dir/signed.exe" >/dev/null
unsigned=$(stat -c %s "$work/for_signing.exe")
signed=$(stat -c %s "$dir/signed.exe")
[ "$signed" -gt "$unsigned" ] || { echo "signing added nothing"; exit 1; }
osslsigncode verify -CAfile "$dir/cert.pem" -in "$dir/signed.exe" >/dev/null 2>&1 || echo "note: signature not verified"

code=0
"$wine_run" "$dir/signed.exe" /S "/D=Z:${dir//\//\\}\\out" || code=$?
[ "$code" -eq 0 ] || { echo "signed output exited with $code"; exit 1; }
for f in hello.txt big.bin; do
  cmp "$work/src/$f" "$dir/out/$f" || { echo "$f differs"; exit 1; }
done
echo "signed output ($unsigned -> $signed bytes) extracted correctly"
