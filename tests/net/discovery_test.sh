#!/usr/bin/env bash
# Announcing and finding games through a real Avahi daemon that this test
# starts itself, inside network, mount and PID namespaces of its own: only
# loopback is there, so nothing leaves the machine, and a private system bus
# and a tmpfs over /run keep it apart from any daemon the desktop runs. The
# namespaces end, and every process in them, when the test does. Where the
# namespaces or the daemons are not to be had, it says why and skips (77).
#   discovery_test.sh PROBE VERSION
set -euo pipefail
PATH=$PATH:/usr/sbin:/sbin

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

# Polls a condition every tenth of a second, at most TRIES times.
wait_for() {
  local tries=$1; shift
  for ((try = 0; try < tries; try++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

if [[ ${1:-} != --inside ]]; then
  (($# == 2)) || { echo "usage: $0 PROBE VERSION"; exit 2; }
  for tool in unshare ip mount dbus-daemon dbus-send avahi-daemon timeout; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh test installs it)"
  done
  namespaces=(unshare --net --mount --pid --fork --mount-proc --kill-child)
  ((EUID == 0)) || namespaces+=(--map-root-user)
  why=$("${namespaces[@]}" true 2>&1) || skip "no network, mount and PID namespaces here (${why:-unshare failed})"
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/korvalo-discovery.XXXXXX")
  trap 'rm -rf "$tmp"' EXIT
  chmod 755 "$tmp"
  start=$(date +%s%N)
  status=0
  timeout 50 "${namespaces[@]}" "$0" --inside "$(realpath "$1")" "$2" "$tmp" || status=$?
  ((status == 124)) && echo "FAIL: the test took more than 50 s"
  echo "took $((($(date +%s%N) - start) / 1000000)) ms"
  exit "$status"
fi

probe=$2 version=$3 tmp=$4
started=()
declare -a publisher=() holder=()
stuck=0
cleanup() {
  # Last started first, each given up to 5 s to end: a publisher ends while
  # the daemons it speaks to are still there, as when a game ends on a
  # desktop. One that does not end is named, with what it waits for, and
  # killed.
  local i pid try
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    pid=${started[i]}
    kill "$pid" 2>/dev/null || continue
    for ((try = 0; try < 100; try++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
      echo "still running 5 s after SIGTERM:"
      ps -o pid,stat,wchan:24,args -p "$pid" || true
      kill -KILL "$pid" 2>/dev/null || true
      # The game's own code must end; the daemons are not the game's.
      [[ " ${publisher[*]} " == *" $pid "* ]] && stuck=1
    fi
  done
  wait 2>/dev/null || true
  ((stuck == 0)) || { echo "FAIL: a publisher did not end on SIGTERM"; exit 1; }
}
trap cleanup EXIT
show_logs() {
  local log
  for log in "$tmp"/*.log; do
    [[ -s $log ]] && { echo "--- $(basename "$log")"; cat "$log"; }
  done
  return 0
}

ip link set lo up multicast on || skip "cannot bring loopback up in the namespace"
# A fresh /run hides the desktop's system bus and gives the daemon its folder.
mount -t tmpfs -o mode=755 tmpfs /run || skip "cannot mount a tmpfs in the namespace"
mkdir /run/avahi-daemon
# In a user namespace only root is mapped, and the daemon wants its folder
# owned by its own user: here that user is root.
read -r _ outside _ </proc/self/uid_map
if [[ $outside != 0 ]]; then
  sed -E 's/^(avahi:[^:]*):[0-9]+:[0-9]+:/\1:0:0:/' /etc/passwd >"$tmp/passwd"
  sed -E 's/^(avahi:[^:]*):[0-9]+:/\1:0:/' /etc/group >"$tmp/group"
  mount --bind "$tmp/passwd" /etc/passwd && mount --bind "$tmp/group" /etc/group ||
    skip "cannot give the daemon's user to root in the namespace"
fi
# Static services of the machine's own daemon are not announced here.
[[ -d /etc/avahi/services ]] && mount -t tmpfs tmpfs /etc/avahi/services

cat >"$tmp/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$tmp/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <allow send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
  </policy>
  <policy user="root">
    <allow own="org.freedesktop.Avahi"/>
  </policy>
</busconfig>
EOF
cat >"$tmp/avahi-daemon.conf" <<EOF
[server]
host-name=korvalo-test
use-ipv4=yes
use-ipv6=yes
allow-interfaces=lo
enable-dbus=yes
ratelimit-interval-usec=1000000
ratelimit-burst=1000
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
publish-domain=no
EOF
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$tmp/system_bus_socket"

dbus-daemon --config-file="$tmp/bus.conf" --nofork --nopidfile >"$tmp/dbus.log" 2>&1 &
started+=($!)
wait_for 600 test -S "$tmp/system_bus_socket" || { show_logs; fail "the private system bus did not come up"; }
avahi-daemon --no-drop-root --no-chroot --no-rlimits -f "$tmp/avahi-daemon.conf" >"$tmp/avahi.log" 2>&1 &
started+=($!)
avahi_running() {
  dbus-send --system --print-reply --dest=org.freedesktop.Avahi / org.freedesktop.Avahi.Server.GetState \
    2>/dev/null | grep -q 'int32 2'
}
wait_for 600 avahi_running || { show_logs; fail "Avahi did not come up on the private bus"; }
echo "Avahi $(avahi-daemon --version | cut -d' ' -f2) is up on loopback, on a private system bus"

find_games() { timeout 20 "$probe" find 3000 >"$tmp/found" 2>"$tmp/find.log" || { show_logs; fail "find failed"; }; }

find_games
[[ ! -s $tmp/found ]] || { cat "$tmp/found"; fail "found games before any was announced"; }
echo "ok: nothing found before any game is announced"

# Publishers that stay while their standard input is open.
publish() {  # INDEX NAME PORT
  mkfifo "$tmp/hold$1"
  (
    # Each publisher holds only its own input open.
    for fd in "${holder[@]}"; do exec {fd}>&-; done
    exec "$probe" publish "$2" "$3"
  ) <"$tmp/hold$1" >"$tmp/published$1" 2>"$tmp/publish$1.log" &
  started+=($!)
  publisher[$1]=$!
  exec {hold}>"$tmp/hold$1"
  holder[$1]=$hold
  wait_for 600 grep -q '^published ' "$tmp/published$1" || { show_logs; fail "\"$2\" was not published"; }
  cat "$tmp/published$1"
}
publish 1 "Korvalo test" 45678
publish 2 "Korvalo test" 45679
[[ $(cat "$tmp/published2") == "published Korvalo test #2" ]] || fail "the second game did not take the next name"

expected="Korvalo test 127.0.0.1 45678 $version
Korvalo test #2 127.0.0.1 45679 $version"
find_games
[[ $(cat "$tmp/found") == "$expected" ]] || { echo "found:"; cat "$tmp/found"; fail "expected:
$expected"; }
echo "ok: found both games, each once, at 127.0.0.1 with its port and version:"
cat "$tmp/found"

# Withdrawn when the host goes: on standard input closing, and on SIGTERM.
gone() { ! kill -0 "$1" 2>/dev/null; }
shows_only() { find_games; [[ $(cat "$tmp/found") == "$1" ]]; }
exec {holder[1]}>&-
wait_for 600 gone "${publisher[1]}" || fail "the first publisher stayed after its input closed"
wait_for 10 shows_only "Korvalo test #2 127.0.0.1 45679 $version" ||
  { cat "$tmp/found"; fail "the first game was not withdrawn"; }
echo "ok: the first game is gone once its host's input closed"
kill -TERM "${publisher[2]}"
wait "${publisher[2]}" || fail "the publisher did not end cleanly on SIGTERM"
wait_for 10 shows_only "" || { cat "$tmp/found"; fail "the second game was not withdrawn"; }
echo "ok: the second game is gone once its host ended on SIGTERM"
exec {holder[2]}>&-

# A name with a line feed, a tab and a right-to-left override is shown without them.
publish 3 $'Korvalo\n\tevil\u202e(127.0.0.1:1)' 45680
wait_for 10 shows_only "Korvaloevil(127.0.0.1:1) 127.0.0.1 45680 $version" ||
  { cat -A "$tmp/found"; fail "a name was shown with its control or override characters"; }
echo "ok: a name's control and override characters are not shown"
exec {holder[3]}>&-
