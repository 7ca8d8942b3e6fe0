#!/usr/bin/env bash
# A brand-new user, with an empty home and no settings, runs the program
# unpacked from the package on the desktop that with-desktop provides, with
# keys and clicks through the window system as a person would:
# 1. moves the window, quits with Esc: the exit makes the settings store, and
#    the next start puts the window back where it was left;
# 2. chooses a data file and switches the backup off in the options dialog,
#    quits, starts again: both are still chosen.
#   check_new_user.sh PACKAGE.deb PROGRAM   (as root, under with-desktop)
set -euo pipefail
deb=$1 program=$2
export LC_ALL=C.UTF-8

fail() { echo "FAIL: $*" >&2; [ -s "${log:-}" ] && cat "$log" >&2; exit 1; }

tmp=$(mktemp -d /tmp/zz-newuser.XXXXXX)
chmod 755 "$tmp"
user=zzpkg$$
home=$tmp/home
log=$tmp/program.log
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid" 2>/dev/null || true; fi
  userdel "$user" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

useradd --no-create-home --home-dir "$home" --shell /usr/sbin/nologin --user-group "$user"
mkdir -m 700 "$home"
chown "$user:" "$home"
dpkg-deb -x "$deb" "$tmp/root"

as_user() {
  setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --init-groups \
    env -i HOME="$home" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin \
    DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LANG=de_DE.UTF-8 \
    sh -c 'umask 022; cd; exec "$@"' sh "$@"
}

# Waits up to SECONDS for a command to succeed: wait_for SECONDS COMMAND...
wait_for() {
  local until=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$until" ] || return 1
    sleep 0.1
  done
}

start() {
  as_user "$tmp/root$program" >"$log" 2>&1 &
  pid=$!
}

# The visible window of the program with this title (a regular expression).
window_of() { xdotool search --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -n1; }
find_window() {
  local title=$1 id=
  wait_for 20 eval 'id=$(window_of "$title"); [ -n "$id" ]' || fail "no window \"$title\""
  echo "$id"
}
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
activate() { xdotool windowactivate --sync "$1"; wait_for 20 active_is "$1" || fail "window $1 did not get the focus"; }

# The frame's top-left corner as the window manager placed it.
frame() {
  local ext info
  ext=$(xprop -id "$1" _NET_FRAME_EXTENTS | grep -Eo '[0-9]+, [0-9]+, [0-9]+, [0-9]+') || return 1
  info=$(xwininfo -id "$1")
  local x y left top
  x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
  left=$(cut -d, -f1 <<<"$ext")
  top=$(cut -d, -f3 <<<"$ext" | tr -d ' ')
  echo "$((x - left)),$((y - top))"
}

quit_with_esc() {
  activate "$1"
  xdotool key --clearmodifiers Escape
  local i
  for i in $(seq 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "Esc did not end the program"
  local rc=0
  wait "$pid" || rc=$?
  pid=
  [ "$rc" -eq 0 ] || fail "the program ended with $rc"
}

store=$home/.config/Veltrup/Zedezedidor.conf
value() { sed -n "s/^$1=//p" "$store"; }

# 1. Nothing chosen: the first Esc makes the store, the window comes back.
[ -z "$(ls -A "$home")" ] || fail "the new home is not empty"
start
main=$(find_window '^Zedezedidor$')
activate "$main"
wait_for 20 eval 'placed=$(frame "$main")' || fail "the window manager gave the window no frame"
xdotool windowmove --sync "$main" 237 161
wait_for 20 eval 'left_at=$(frame "$main") && [ "$left_at" != "$placed" ]' || fail "the window did not move"
quit_with_esc "$main"
[ -f "$store" ] || fail "the first exit made no settings store"
[ "$(stat -c '%U %a' "$store")" = "$user 644" ] || fail "store: $(stat -c '%U %a' "$store")"
[ "$(stat -c '%U %a' "$(dirname "$store")")" = "$user 755" ] || fail "store folder: $(stat -c '%U %a' "$(dirname "$store")")"
[ "$(value Backup)" = 1 ] && [ -z "$(value Datei)" ] || fail "first store: $(cat "$store")"

start
main=$(find_window '^Zedezedidor$')
wait_for 20 eval '[ "$(frame "$main")" = "$left_at" ]' \
  || fail "left at $left_at, back at $(frame "$main"); stored: $(tr '\n' ' ' <"$store")"
quit_with_esc "$main"
echo "new user: the store was made at the first exit, the window came back at $left_at"

# 2. A data file and the backup switched off, through the options dialog.
data=$home/Werte.txt
as_user touch "$data"
start
main=$(find_window '^Zedezedidor$')
activate "$main"
# Alt alone enters the menu bar; Alt+B would be the "Beenden" button's too.
xdotool key --clearmodifiers alt Right Return o
options=$(find_window '^Optionen$')
activate "$options"
xdotool mousemove --window "$options" 24 95 click 1     # Backupdatei erstellen
xdotool mousemove --window "$options" 219 30 click 1    # Durchsuchen...
chooser=$(find_window '^Speichern unter')
activate "$chooser"
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "$data"
# The name field's completion list may take the first Return.
xdotool key --clearmodifiers Return
if ! wait_for 3 eval '[ -z "$(window_of "^Speichern unter")" ]'; then
  xdotool key --clearmodifiers Return
  wait_for 20 eval '[ -z "$(window_of "^Speichern unter")" ]' || fail "the file dialog stayed open"
fi
# OK. The window manager may hand the dialog the focus back before Qt has
# closed the file dialog, which then swallows the key: once more if so.
activate "$options"
for try in 1 2 3; do
  xdotool key --clearmodifiers alt+o
  wait_for 3 eval '[ -z "$(window_of "^Optionen$")" ]' && break
done
[ -z "$(window_of "^Optionen$")" ] || fail "the options dialog stayed open"
main=$(find_window '^Zedezedidor - \[Werte\.txt\]$')
quit_with_esc "$main"
[ "$(value Datei)" = "$data" ] && [ "$(value Backup)" = 0 ] || fail "store after the options: $(cat "$store")"

start
main=$(find_window '^Zedezedidor - \[Werte\.txt\]$')
quit_with_esc "$main"
# Written back as they were read: the start found both.
[ "$(value Datei)" = "$data" ] && [ "$(value Backup)" = 0 ] || fail "store after a restart: $(cat "$store")"
echo "new user: data file and backup switch kept through a restart"
