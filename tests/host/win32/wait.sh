# Sourced by the Wine shell tests.
# within SECONDS COMMAND...: tries COMMAND once a second until it succeeds, for at most
# SECONDS tries; fails when it never did.
within() {
  local seconds=$1
  shift
  for _ in $(seq 1 "$seconds"); do
    "$@" && return 0
    sleep 1
  done
  return 1
}
