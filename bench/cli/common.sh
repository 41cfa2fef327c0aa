# Set-up shared by the render benchmarks in this folder; each sources it
# (after `set -euo pipefail`) with its own arguments:
#   source "$(dirname "$0")/common.sh" "$@"
# It sets $here (this folder), $root (the source tree), $program (the first
# argument, or the release build's cinderpath, which must be built) and $work
# (a scratch folder, removed when the script exits).
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
program="${1:-$root/build/release/host/cinderpath}"
[ -x "$program" ] || {
  echo "$(basename "$0" .sh): $program is not built (cmake --build --preset release)" >&2
  exit 1
}
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
