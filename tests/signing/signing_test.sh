#!/bin/sh
# Signs a copy of the built installer with the build's own signing command and a throwaway
# certificate, checks that the signature verifies and that a changed byte breaks it, that a
# failed signing never leaves a partial or unsigned file, that time-stamping works (against a
# time-stamp server on the loopback interface), and that the signed installer installs under
# Wine with its copy still signed. Needs no network.
#
#   signing_test.sh SOURCE_DIR WORK_DIR INSTALLER_EXE PAYLOAD_EXE WINE_RUN
set -eu
source_dir=$1
work=$2
installer=$3
payload=$4
wine_run=$5

sign_script="$source_dir/cmake/sign.sh"
install_folder='C:\signing-test\Quorvalent'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvalent'
maker_key='HKCU\Software\Mirelbrook'

step() { echo "-- $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
no_leftovers() {
    # The signing command works in a hidden folder beside its output.
    leftovers=$(find "$work" -maxdepth 1 -name '.signing.*')
    [ -z "$leftovers" ] || fail "signing left temporary files behind: $leftovers"
}
verify() { osslsigncode verify -CAfile "$work/cert.pem" "$@"; }

for tool in openssl osslsigncode python3 setsid; do
    command -v $tool >/dev/null || fail "$tool is missing (cmake/setup-machine.sh installs it)"
done

rm -rf "$work"
mkdir -p "$work"
# Local connections must not be sent to a proxy of the environment.
export no_proxy=127.0.0.1 NO_PROXY=127.0.0.1

step "a throwaway code-signing certificate, its key protected by a password"
printf 'throwaway pass phrase\n' >"$work/password"
printf 'not the pass phrase\n' >"$work/wrong-password"
openssl req -x509 -newkey rsa:2048 -sha256 -days 7 -subj "/CN=Quorvalent Signing Test/O=Mirelbrook" \
    -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=critical,codeSigning" \
    -keyout "$work/key.pem" -out "$work/cert.pem" -passout "file:$work/password" 2>"$work/openssl.log" \
    || { cat "$work/openssl.log" >&2; fail "openssl could not make the certificate"; }
grep -q 'BEGIN ENCRYPTED PRIVATE KEY' "$work/key.pem" || fail "the key is not password-protected"
sign() { sh "$sign_script" --cert "$work/cert.pem" --key "$work/key.pem" "$@"; }

# What the linker wrote: a build configured for signing has already signed the installer.
cp "$installer" "$work/input.exe"
if osslsigncode extract-signature -in "$work/input.exe" -out "$work/build-signature" >/dev/null 2>&1; then
    osslsigncode remove-signature -in "$work/input.exe" -out "$work/linked.exe" >/dev/null
else
    cp "$work/input.exe" "$work/linked.exe"
fi

step "signing a copy"
sign --password-file "$work/password" "$work/input.exe" "$work/signed.exe" || fail "signing a copy failed"
cmp -s "$work/input.exe" "$installer" || fail "signing changed its input"
verify -in "$work/signed.exe" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "the signed copy does not verify"; }
grep -Eq 'Message digest algorithm *: *SHA256' "$work/verify.log" || { cat "$work/verify.log"; fail "the digest is not SHA-256"; }
grep -q 'Quorvalent Signing Test' "$work/verify.log" || fail "the signer is not the throwaway certificate"
no_leftovers

step "the signature only adds to the file: without it the linked installer comes back byte for byte"
osslsigncode remove-signature -in "$work/signed.exe" -out "$work/stripped.exe" >/dev/null
cmp "$work/stripped.exe" "$work/linked.exe" || fail "signing changed the installer itself"

step "a changed byte breaks the signature"
cp "$work/signed.exe" "$work/tampered.exe"
offset=$(($(wc -c <"$work/tampered.exe") / 2))
byte=$(od -An -tu1 -j "$offset" -N1 "$work/tampered.exe" | tr -d ' ')
printf "\\$(printf '%03o' $((byte ^ 255)))" | dd of="$work/tampered.exe" bs=1 seek="$offset" conv=notrunc 2>/dev/null
cmp -s "$work/tampered.exe" "$work/signed.exe" && fail "the copy was not changed"
if verify -in "$work/tampered.exe" >"$work/verify-tampered.log" 2>&1; then
    cat "$work/verify-tampered.log"
    fail "a tampered copy verifies"
fi

step "a wrong password fails and leaves an existing output as it was"
cp "$work/signed.exe" "$work/existing.exe"
if sign --password-file "$work/wrong-password" "$work/linked.exe" "$work/existing.exe" 2>"$work/sign-wrong.log"; then
    fail "signing with a wrong password succeeded"
fi
cmp "$work/existing.exe" "$work/signed.exe" || fail "a failed signing changed the existing output"
no_leftovers

step "a key that needs a password fails at once without one, asking nobody"
if sign "$work/linked.exe" "$work/no-password.exe" 2>"$work/sign-no-password.log"; then
    fail "signing without the password succeeded"
fi
[ ! -e "$work/no-password.exe" ] || fail "a failed signing left an output"
no_leftovers

step "signing in place, as the build does"
cp "$work/linked.exe" "$work/in-place.exe"
sign --password-file "$work/password" "$work/in-place.exe" "$work/in-place.exe" || fail "signing in place failed"
verify -in "$work/in-place.exe" >/dev/null 2>&1 || fail "the file signed in place does not verify"
sign --password-file "$work/password" "$work/in-place.exe" "$work/in-place.exe" || fail "signing a signed file again failed"
verify -in "$work/in-place.exe" >"$work/verify-resigned.log" 2>&1 || fail "a signed file signed again does not verify"
grep -q 'Number of verified signatures: 1' "$work/verify-resigned.log" || fail "signing again added a second signature"
cp "$work/linked.exe" "$work/in-place-failing.exe"
if sign --password-file "$work/wrong-password" "$work/in-place-failing.exe" "$work/in-place-failing.exe" 2>/dev/null; then
    fail "signing in place with a wrong password succeeded"
fi
[ ! -e "$work/in-place-failing.exe" ] || fail "a failed signing in place left the unsigned file"
no_leftovers

step "time-stamping by an RFC 3161 server"
mkdir -p "$work/tsa"
openssl req -x509 -newkey rsa:2048 -sha256 -days 7 -nodes -subj "/CN=Quorvalent Time Stamping Test" \
    -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=critical,timeStamping" \
    -keyout "$work/tsa/key.pem" -out "$work/tsa/cert.pem" 2>"$work/openssl.log" \
    || { cat "$work/openssl.log" >&2; fail "openssl could not make the time-stamping certificate"; }
echo 01 >"$work/tsa/serial"
cat >"$work/tsa/openssl.cnf" <<EOF
[ tsa ]
default_tsa = throwaway
[ throwaway ]
serial = $work/tsa/serial
crypto_device = builtin
signer_cert = $work/tsa/cert.pem
signer_key = $work/tsa/key.pem
signer_digest = sha256
default_policy = 1.3.6.1.4.1.4146.2.3
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
python3 "$source_dir/tests/signing/tsa_server.py" "$work/tsa/port" "$work/tsa/openssl.cnf" 2>"$work/tsa/server.log" &
tsa_pid=$!
wine_cleanup=false
cleanup() {
    kill "$tsa_pid" 2>/dev/null || true
    $wine_cleanup && remove_installation
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
# The server writes its port once it listens; it may take a while on a busy machine.
i=0
while [ ! -s "$work/tsa/port" ] && [ $i -lt 600 ] && kill -0 "$tsa_pid" 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
[ -s "$work/tsa/port" ] || { cat "$work/tsa/server.log" >&2; fail "the time-stamp server did not start"; }
tsa_url="http://127.0.0.1:$(cat "$work/tsa/port")/"
sign --password-file "$work/password" --timestamp-url "$tsa_url" "$work/linked.exe" "$work/stamped.exe" \
    || { cat "$work/tsa/server.log" >&2; fail "signing with a time-stamp failed"; }
verify -TSA-CAfile "$work/tsa/cert.pem" -in "$work/stamped.exe" >"$work/verify-stamped.log" 2>&1 \
    || { cat "$work/verify-stamped.log"; fail "the time-stamped copy does not verify"; }
grep -q 'Timestamp Server Signature verification: ok' "$work/verify-stamped.log" \
    || { cat "$work/verify-stamped.log"; fail "the copy carries no verified time-stamp"; }
grep -q 'Timestamp Server Signature verification: ok' "$work/verify.log" \
    && fail "a copy signed without a time-stamp server claims a time-stamp"
kill "$tsa_pid"
wait "$tsa_pid" 2>/dev/null || true
if sign --password-file "$work/password" --timestamp-url "$tsa_url" "$work/linked.exe" "$work/unstamped.exe" 2>"$work/sign-no-tsa.log"; then
    fail "signing succeeded although the time-stamp server is gone"
fi
[ ! -e "$work/unstamped.exe" ] || fail "a signing whose time-stamp failed left an output"
no_leftovers

step "the signed installer installs under Wine and its copy stays signed"
reg_query() { "$wine_run" reg query "$@" </dev/null >/dev/null 2>&1; }
unix_path() { "$wine_run" winepath -u "$1" </dev/null 2>/dev/null | tr -d '\r'; }
shell_folder() {
    "$wine_run" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' /v "$1" </dev/null 2>/dev/null |
        tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"
}
desktop=$(shell_folder Desktop)
programs=$(shell_folder Programs)
[ -n "$desktop" ] && [ -n "$programs" ] || fail "the prefix's desktop and Start-menu folders are unknown"
desktop_link=$(unix_path "$desktop\\Quorvalent.lnk")
menu_folder=$(unix_path "$programs\\Mirelbrook")
folder=$(unix_path "$install_folder")
[ -n "$desktop_link" ] && [ -n "$menu_folder" ] || fail "winepath failed"
# The parent of the folder is removed whole: make sure it is the test's own.
case $folder in
*/c:/signing-test/Quorvalent | */drive_c/signing-test/Quorvalent) ;;
*) fail "unexpected location of $install_folder: '$folder'" ;;
esac
maker_key_existed=false
reg_query "$maker_key" && maker_key_existed=true
remove_installation() {
    "$wine_run" reg delete "$uninstall_key" /f </dev/null >/dev/null 2>&1 || true
    $maker_key_existed || "$wine_run" reg delete "$maker_key" /f </dev/null >/dev/null 2>&1 || true
    rm -f "$desktop_link" "$menu_folder/Quorvalent.lnk"
    rmdir "$menu_folder" 2>/dev/null || true
    rm -rf "$(dirname "$folder")"
}
rm -rf "$(dirname "$folder")"
wine_cleanup=true

status=0
"$wine_run" "$work/signed.exe" /verysilent "/dir=$install_folder" </dev/null || status=$?
[ $status -eq 0 ] || fail "the signed installer exited with $status"
[ -f "$folder/Quorvalent.exe" ] || fail "Quorvalent.exe was not written"
cmp "$folder/Quorvalent.exe" "$payload" || fail "the installed product is not the embedded payload"
[ -f "$folder/QuorvalentInstaller.exe" ] || fail "QuorvalentInstaller.exe was not written"
cmp "$folder/QuorvalentInstaller.exe" "$work/signed.exe" || fail "the installed installer is not the signed file"
[ -f "$desktop_link" ] && [ -f "$menu_folder/Quorvalent.lnk" ] || fail "the shortcuts are not where the clean-up looks"
verify -in "$folder/QuorvalentInstaller.exe" >/dev/null 2>&1 || fail "the installed installer does not verify"
"$wine_run" reg query "$uninstall_key" /v InstallLocation </dev/null 2>/dev/null | tr -d '\r' | grep -Fq "$install_folder" \
    || fail "the Programs-list entry does not name $install_folder"

step "removing what the installation wrote"
remove_installation
wine_cleanup=false
reg_query "$uninstall_key" && fail "the Programs-list entry is still there"
[ ! -e "$desktop_link" ] && [ ! -e "$menu_folder" ] || fail "a shortcut is still there"
rm -rf "$work"
echo "signing test passed"
