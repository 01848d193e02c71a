# Sourced by tools/make-medium.sh and tools/make-catalog.sh for --sign PFX (their
# messages begin with $sign_tool, default make-medium): the certificate file, its
# password and the signing certificate, read and checked before anything is
# written, each problem named in one line. The password never touches a
# file nor a command line: it stays in this shell and reaches each tool
# through a pipe (printf is built in); tools/medium_finish.sh reads it from
# an inherited descriptor, RS_MEDIUM_SIGN_PASSFD.

# COMMAND with the password on its descriptor 3.
with_password() { "$@" 3< <(printf '%s' "$sign_password"); }

# openssl pkcs12 on the PFX; files from older Windows need OpenSSL's legacy ciphers.
pkcs12_of() { with_password openssl pkcs12 $sign_legacy -in "$sign_pfx" -passin fd:3 "$@"; }

# A date as openssl prints it, in ISO form.
sign_day() { date -u -d "$1" '+%Y-%m-%d %H:%M UTC'; }

# check_signer PFX PASSFILE DIR: exits naming each problem; otherwise
# exports what tools/medium_finish.sh signs with. DIR is private to the run.
check_signer() {
  sign_pfx="$1"
  local passfile="$2" dir="$3" from
  [ -f "$sign_pfx" ] && [ -r "$sign_pfx" ] || fail "--sign $sign_pfx: no readable certificate file (PKCS#12)"
  if [ -n "$passfile" ]; then
    # Any path that reads, read once: a pipe (<(...), /dev/stdin, a FIFO)
    # passes the password without a file or the environment.
    local passfd
    { [ ! -d "$passfile" ] && exec {passfd}<"$passfile"; } 2>/dev/null ||
      fail "--sign-password-file $passfile: no readable file or pipe"
    IFS= read -r -d '' -u "$passfd" sign_password || true
    exec {passfd}<&-
    # The line end an editor adds, CRLF or LF, is no part of the password.
    case "$sign_password" in
      *$'\r\n') sign_password="${sign_password%$'\r\n'}" ;;
      *$'\n') sign_password="${sign_password%$'\n'}" ;;
    esac
    from="--sign-password-file $passfile"
  elif [ -n "${RS_SIGN_PASSWORD+set}" ]; then
    sign_password="$RS_SIGN_PASSWORD"
    from="RS_SIGN_PASSWORD"
  else
    fail "--sign $sign_pfx needs the certificate's password: RS_SIGN_PASSWORD or --sign-password-file FILE"
  fi
  unset RS_SIGN_PASSWORD
  case "$sign_password" in *[$'\r\n']*) fail "$from: the password spans more than one line" ;; esac

  # Every certificate in the file (a wrong password shows here).
  sign_legacy=""
  if ! pkcs12_of -nokeys -out "$dir/certs.pem" 2>"$dir/log"; then
    sign_legacy="-legacy"
    if ! pkcs12_of -nokeys -out "$dir/certs.pem" 2>>"$dir/log"; then
      grep -q "Mac verify error" "$dir/log" && fail "--sign $sign_pfx: the password from $from does not open it"
      fail "--sign $sign_pfx: not a certificate file (PKCS#12) that openssl can read"
    fi
  fi
  # The signing certificate is the one the private key belongs to, as the
  # signing tool picks it; the key itself goes through pipes only.
  local key cert signer="" subjects=""
  key="$(pkcs12_of -nocerts -nodes 2>/dev/null | openssl pkey -pubout 2>/dev/null)" || key=""
  [ -n "$key" ] || fail "--sign $sign_pfx: holds no private key to sign with"
  awk -v dir="$dir" '/-BEGIN CERTIFICATE-/ { n++ } n { print > (dir "/cert" n ".pem") }' "$dir/certs.pem"
  for cert in "$dir"/cert[0-9]*.pem; do
    [ -f "$cert" ] || continue
    subjects+="${subjects:+, }'$(openssl x509 -in "$cert" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')'"
    [ "$(openssl x509 -in "$cert" -noout -pubkey)" != "$key" ] || signer="$cert"
  done
  [ -n "$signer" ] || fail "--sign $sign_pfx: its private key belongs to none of its certificates (${subjects:-none})"

  # What Windows checks: an extended key usage, when there is one, that
  # names code signing, and the dates.
  local name eku start end bad=0
  name="'$(openssl x509 -in "$signer" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')'"
  eku="$(openssl x509 -in "$signer" -noout -ext extendedKeyUsage 2>/dev/null | sed -n '2{s/^ *//;p}')"
  if [ -n "$eku" ] && ! printf '%s\n' "${eku//, /$'\n'}" | grep -qx "Code Signing"; then
    echo "${sign_tool:-make-medium}: --sign $sign_pfx: the certificate $name is not for code signing (its extended key usage: $eku)" >&2
    bad=1
  fi
  start="$(openssl x509 -in "$signer" -noout -startdate | sed 's/^notBefore=//')"
  end="$(openssl x509 -in "$signer" -noout -enddate | sed 's/^notAfter=//')"
  if [ "$(date -u -d "$start" +%s)" -gt "$(date +%s)" ]; then
    echo "${sign_tool:-make-medium}: --sign $sign_pfx: the certificate $name is not valid yet (valid from $(sign_day "$start"))" >&2
    bad=1
  elif ! openssl x509 -in "$signer" -noout -checkend 0 >/dev/null; then
    echo "${sign_tool:-make-medium}: --sign $sign_pfx: the certificate $name has expired (valid until $(sign_day "$end"))" >&2
    bad=1
  fi
  [ "$bad" -eq 0 ] || exit 1

  # Trusted when the signatures are verified: the file's certificates and
  # the system's authorities.
  cp "$dir/certs.pem" "$dir/trust.pem"
  [ ! -f /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >>"$dir/trust.pem"
  exec {sign_passfd}< <(printf '%s' "$sign_password")
  export RS_MEDIUM_SIGN_PFX="$(cd "$(dirname "$sign_pfx")" && pwd)/$(basename "$sign_pfx")"
  export RS_MEDIUM_SIGN_PASSFD="$sign_passfd" RS_MEDIUM_SIGN_TRUST="$dir/trust.pem"
}
