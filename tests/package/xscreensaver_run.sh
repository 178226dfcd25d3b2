#!/usr/bin/env bash
# xscreensaver_run.sh DEB: xscreensaver, told to blank the screen, runs the package's hack
# from a scratch root and the hack paints the screen; unblanking ends the hack.
# xscreensaver refuses to run as root, so as root it runs as the unprivileged uid 65534.
source "$(dirname "$0")/common.sh"
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "xscreensaver_run: no X display; skipped"
  exit 77
fi
# The scratch root must be open to the saver's user: under /tmp, not the build tree.
unpack "${TMPDIR:-/tmp}"
saver_pid=""
on_failure() { [ ! -f "$scratch/xscreensaver.log" ] || tail -n 30 "$scratch/xscreensaver.log"; }
hack="$root/usr/libexec/xscreensaver/brushwright"
home="$scratch/home"
mkdir -p "$home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$scratch"
  chown 65534:65534 "$home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
# A display that asks for authorization (xvfb-run -a, a desktop session) admits only those
# who hold its cookie: the saver's user gets a copy of this display's entry. A display
# without access control has no entry, and needs none.
user_env=(HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin)
if xauth extract "$home/.Xauthority" "$DISPLAY" 2>/dev/null && [ -s "$home/.Xauthority" ]; then
  [ -z "${as_user[*]}" ] || chown 65534:65534 "$home/.Xauthority"
  user_env+=(XAUTHORITY="$home/.Xauthority")
fi
# run_as_user COMMAND...: runs COMMAND as the saver's user, in its clean environment.
run_as_user() {
  env -i "${user_env[@]}" "${as_user[@]}" "$@"
}
hack_pids() { pgrep -f -- "^$hack( |$)" || true; }

on_exit() {
  if [ -n "$saver_pid" ] && kill -0 "$saver_pid" 2>/dev/null; then
    run_as_user xscreensaver-command -exit >/dev/null 2>&1 || true
    for _ in $(seq 100); do kill -0 "$saver_pid" 2>/dev/null || break; sleep 0.1; done
    kill "$saver_pid" 2>/dev/null || true
  fi
  local pid
  for pid in $(hack_pids); do kill "$pid" 2>/dev/null || true; done
}

# One hack, by its absolute path, with nothing that would delay or hide it.
cat >"$home/.xscreensaver" <<SETTINGS
mode: one
selected: 0
timeout: 8:00:00
cycle: 0
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
grabDesktopImages: False
programs: "Brushwright" $hack --root \\n
SETTINGS
[ -z "${as_user[*]}" ] || chown 65534:65534 "$home/.xscreensaver"

# Started without the function, so that $! is xscreensaver itself (env and setpriv exec).
env -i "${user_env[@]}" "${as_user[@]}" \
  xscreensaver -no-splash -verbose >"$scratch/xscreensaver.log" 2>&1 &
saver_pid=$!
# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds, for SECONDS at most. The
# waits together stay well inside the test's time limit, so the clean-up always runs.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  while [ "$SECONDS" -lt "$deadline" ]; do
    "$@" && return 0
    kill -0 "$saver_pid" 2>/dev/null || fail "xscreensaver ended"
    sleep 0.5
  done
  return 1
}
# Only the command's own output is dropped: a failure inside wait_for must still be seen.
answers() { run_as_user xscreensaver-command -time >/dev/null 2>&1; }
wait_for 60 answers || fail "xscreensaver did not answer"
run_as_user xscreensaver-command -activate >/dev/null || fail "xscreensaver did not blank"

# The screen is painted once it shows many colours: the blanked screen is black and the
# bare root window two-coloured.
painted() {
  [ -n "$(hack_pids)" ] || return 1
  import -window root "$scratch/screen.png" 2>/dev/null || return 1
  local colours
  colours=$(identify -format '%k' "$scratch/screen.png")
  [ "$colours" -gt 1000 ]
}
wait_for 300 painted || fail "the hack did not paint the screen; hack pids: $(hack_pids)"

run_as_user xscreensaver-command -deactivate >/dev/null || fail "xscreensaver did not unblank"
no_hack() { [ -z "$(hack_pids)" ]; }
wait_for 60 no_hack || fail "the hack still runs after unblanking"
