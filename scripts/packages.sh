# Sourced by the setup scripts. missing_packages PACKAGE...: prints those of
# the Debian packages that are not installed, one per line (one dpkg query
# for all: a package dpkg does not know is not listed at all).
missing_packages() {
  local installed p
  installed=" $(dpkg-query -W -f='${Package}=${db:Status-Status} ' "$@" 2>/dev/null || true)"
  for p in "$@"; do
    case "$installed" in *" $p=installed "*) ;; *) echo "$p" ;; esac
  done
}
