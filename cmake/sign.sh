#!/usr/bin/env bash
# Signs a program or an installer in place with osslsigncode (SHA-256), when a
# code-signing certificate is given; without one it leaves the file as it is.
#   KORVANE_SIGN_CERT       the certificate: a PKCS#12 file (.p12 or .pfx), or a PEM file
#   KORVANE_SIGN_KEY        the PEM private key, with a PEM certificate
#   KORVANE_SIGN_PASS       the password of the PKCS#12 file or of the key, if it has one
#   KORVANE_SIGN_TIMESTAMP  optional: an RFC 3161 time-stamp server's URL, so the
#                           signature outlives the certificate
# Usage: sign.sh <file>
set -euo pipefail
file=$1
[[ -n "${KORVANE_SIGN_CERT:-}" ]] || exit 0

args=(sign -h sha256 -n Korvane)
case ${KORVANE_SIGN_CERT,,} in
*.p12 | *.pfx) args+=(-pkcs12 "$KORVANE_SIGN_CERT") ;;
*) args+=(-certs "$KORVANE_SIGN_CERT" -key "${KORVANE_SIGN_KEY:?set KORVANE_SIGN_KEY to the PEM key}") ;;
esac
# Through a private file, so the password never shows in the process list (osslsigncode
# cannot read it from a pipe).
if [[ -n "${KORVANE_SIGN_PASS:-}" ]]; then
  pass_file=$(mktemp)
  trap 'rm -f "$pass_file"' EXIT
  printf '%s' "$KORVANE_SIGN_PASS" >"$pass_file"
  args+=(-readpass "$pass_file")
fi
[[ -n "${KORVANE_SIGN_TIMESTAMP:-}" ]] && args+=(-ts "$KORVANE_SIGN_TIMESTAMP")
osslsigncode "${args[@]}" -in "$file" -out "$file.signed" >/dev/null
mv -f "$file.signed" "$file"
echo "sign.sh: signed $file"
