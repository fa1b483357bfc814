#!/bin/sh
# keyring_session.sh COMMAND [ARGS...]: runs COMMAND on a private session bus with its own
# gnome-keyring Secret Service, unlocked before the command starts, in a private home and
# private XDG folders. The bus ends when the command ends, and the keyring daemon with it.
set -eu
root=$(mktemp -d "${TMPDIR:-/tmp}/brevanto-keyring-XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/home" "$root/data" "$root/config" "$root/cache" "$root/run"
chmod 700 "$root/run"
export HOME="$root/home" XDG_DATA_HOME="$root/data" XDG_CONFIG_HOME="$root/config" \
       XDG_CACHE_HOME="$root/cache" XDG_RUNTIME_DIR="$root/run"
unset DBUS_SESSION_BUS_ADDRESS GNOME_KEYRING_CONTROL SSH_AUTH_SOCK
status=0
dbus-run-session -- sh -c '
  # --unlock creates the "login" keyring (the default collection) with this password and
  # unlocks it; the daemon registers the Secret Service on this bus.
  printf %s keyring-test-password | gnome-keyring-daemon --unlock --components=secrets >/dev/null || exit 97
  exec "$@"' keyring-session "$@" || status=$?
exit "$status"
