# Sourced by the package tests, with the package as their first argument:
#   deb            the package
#   fail MESSAGE   ends the test with "<test>: MESSAGE" (and what on_failure adds, when the
#                  test defines it)
#   unpack BASE    unpacks the package into $root, in a scratch folder $scratch of its own
#                  under BASE that is removed when the test ends (after the test's
#                  on_exit, when it defines one)
set -euo pipefail
# A command that fails under set -e names itself, so that no test ends without a word.
trap 'echo "$(basename "$0" .sh): line $LINENO: \"$BASH_COMMAND\" failed" >&2' ERR
deb=$1
test_name=$(basename "$0" .sh)
scratch=""
root=""

fail() {
  echo "$test_name: $*" >&2
  ! declare -F on_failure >/dev/null || on_failure >&2
  exit 1
}

unpack() {
  mkdir -p "$1"
  scratch=$(mktemp -d "$1/$test_name.XXXXXX")
  trap 'status=$?; ! declare -F on_exit >/dev/null || on_exit; rm -rf "$scratch"; exit $status' EXIT
  root="$scratch/root"
  dpkg-deb -x "$deb" "$root"
}
