#!/usr/bin/env bash
# Installs the audio hosts the LV2 host test drives (JACK, jalv, Ardour's
# headless Lua tool), when running as root on Debian. They are large and
# only that test needs them, so they are installed here, before the tests
# run and outside their time limits, rather than by the test itself. A host
# that cannot be installed in time is reported and its checks are skipped:
# this script never fails the test command.
set -u
export DEBIAN_FRONTEND=noninteractive
packages=(jackd2 jalv ardour)
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null 2>&1; then
  echo "setup-hosts: not root on Debian; the LV2 host checks use what is installed"
  exit 0
fi
source "$(dirname "$0")/packages.sh"
mapfile -t missing < <(missing_packages "${packages[@]}")
[ ${#missing[@]} -eq 0 ] && exit 0
echo "setup-hosts: installing ${missing[*]}" >&2
start=$(date +%s)
if ! timeout 1200 apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=120 "${missing[@]}"; then
  echo "setup-hosts: could not install ${missing[*]}; the LV2 host checks that need them will be skipped" >&2
fi
echo "setup-hosts: took $(( $(date +%s) - start )) s" >&2
exit 0
