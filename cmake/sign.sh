#!/bin/sh
# Authenticode-signs a Windows executable with osslsigncode (SHA-256), optionally time-stamped
# by an RFC 3161 server. The build signs the linked installer with it in place and the signing
# test signs copies with it, so both go through exactly the same command.
#
#   sign.sh --cert FILE --key FILE [--password-file FILE] [--timestamp-url URL]
#           [--tool OSSLSIGNCODE] IN OUT
#
# OUT appears only complete: the signature is written under a temporary name in OUT's folder
# and then renamed, so a failed or interrupted run leaves OUT as it was. Signing in place
# (IN and OUT the same) removes IN on failure instead, so that no build takes the unsigned
# file for a finished one.
set -eu

usage() {
    echo "usage: $0 --cert FILE --key FILE [--password-file FILE] [--timestamp-url URL] [--tool PATH] IN OUT" >&2
    exit 2
}

cert= key= password_file= timestamp_url= tool=osslsigncode
while [ $# -gt 0 ]; do
    case $1 in
    --cert) [ $# -ge 2 ] || usage; cert=$2; shift 2 ;;
    --key) [ $# -ge 2 ] || usage; key=$2; shift 2 ;;
    --password-file) [ $# -ge 2 ] || usage; password_file=$2; shift 2 ;;
    --timestamp-url) [ $# -ge 2 ] || usage; timestamp_url=$2; shift 2 ;;
    --tool) [ $# -ge 2 ] || usage; tool=$2; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
    esac
done
[ $# -eq 2 ] || usage
in=$1
out=$2
[ -n "$cert" ] && [ -n "$key" ] || usage

in_place=false
[ "$in" = "$out" ] && in_place=true
work=

finish() {
    status=$?
    [ -n "$work" ] && rm -rf "$work"
    if [ $status -ne 0 ] && $in_place; then
        rm -f "$in"
        echo "sign.sh: signing failed; removed the unsigned $in" >&2
    fi
    exit $status
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

for file in "$in" "$cert" "$key" ${password_file:+"$password_file"}; do
    [ -r "$file" ] || { echo "sign.sh: cannot read $file" >&2; exit 1; }
done

# Beside OUT, so that the final rename stays on one file system and is atomic.
work=$(mktemp -d "$(dirname "$out")/.signing.XXXXXX")
log=$work/osslsigncode.log

# Run without a terminal: with a key that needs a password and none given, OpenSSL would
# otherwise ask on /dev/tty, and a build step in the background would wait for ever.
ossl() {
    setsid -w "$tool" "$@" </dev/null >>"$log" 2>&1 || { cat "$log" >&2; return 1; }
}

# An executable that is already signed gets a fresh signature, not a second one (older
# osslsigncode refuses to sign it at all).
source=$in
if "$tool" extract-signature -in "$in" -out "$work/old-signature" </dev/null >/dev/null 2>&1; then
    ossl remove-signature -in "$in" -out "$work/unsigned"
    source=$work/unsigned
fi

set -- -certs "$cert" -key "$key" -h sha256 -n "Quorvalent Installer" -i "https://www.mirelbrook.com"
[ -n "$password_file" ] && set -- "$@" -readpass "$password_file"
[ -n "$timestamp_url" ] && set -- "$@" -ts "$timestamp_url"
ossl sign "$@" -in "$source" -out "$work/signed"

chmod --reference="$in" "$work/signed"
mv -f "$work/signed" "$out"
echo "signed $out (SHA-256${timestamp_url:+, time-stamped by $timestamp_url})"
