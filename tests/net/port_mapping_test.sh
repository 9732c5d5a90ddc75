#!/usr/bin/env bash
# Port mapping through a real router on this machine: three network
# namespaces that the test makes inside a namespace of its own: "wan" (the
# internet, where the friends are, 11.45.0.1), "router" (forwarding, nftables
# masquerade, miniupnpd on its outside address 11.45.0.2) and "home" (the
# host, 192.168.77.2). No packet leaves them, and they end with the test.
# Where namespaces cannot be made, it says why and skips (77).
#   port_mapping_test.sh KORVALO_SCRIPT [KORVALO]
set -euo pipefail
PATH=$PATH:/usr/sbin:/sbin

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; show_logs; exit 1; }
show_logs() { :; }

# Polls a condition every twentieth of a second, at most TRIES times.
wait_for() {
  local tries=$1; shift
  for ((try = 0; try < tries; try++)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

if [[ ${1:-} != --inside ]]; then
  (($# >= 1)) || { echo "usage: $0 KORVALO_SCRIPT [KORVALO]"; exit 2; }
  for tool in unshare ip nft miniupnpd upnpc natpmpc timeout python3; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh test installs it)"
  done
  namespaces=(unshare --net --mount --pid --fork --mount-proc --kill-child)
  ((EUID == 0)) || namespaces+=(--map-root-user)
  why=$("${namespaces[@]}" true 2>&1) || skip "no network, mount and PID namespaces here (${why:-unshare failed})"
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/korvalo-mapping.XXXXXX")
  trap 'rm -rf "$tmp"' EXIT
  status=0
  timeout 120 "${namespaces[@]}" "$0" --inside "$tmp" "$(realpath "$1")" ${2:+"$(realpath "$2")"} || status=$?
  ((status == 124)) && echo "FAIL: the test took more than 120 s"
  exit "$status"
fi

tmp=$2 script=$3 window=${4:-}
cleanup() {
  local ns
  jobs -p | xargs -r kill 2>/dev/null || true
  wait 2>/dev/null || true
  for ns in wan router home; do ip netns delete "$ns" 2>/dev/null || true; done
}
trap cleanup EXIT
show_logs() {
  local log
  for log in "$tmp"/*.log; do
    [[ -s $log ]] && { echo "--- $(basename "$log")"; tail -n 30 "$log"; }
  done
  for log in "$tmp"/*.out; do
    [[ -s $log ]] && { echo "--- $(basename "$log")"; grep -v "^text\|^sound\|^check" "$log" | tail -n 10; }
  done
  return 0
}
ms() { echo $(($(date +%s%N) / 1000000)); }
# Processes started in the background run as "ip netns exec" itself, which
# becomes the program, so that $! is the program's own id.
in_ns() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

# A /run of its own keeps the namespaces' names and the daemon's files here.
mount -t tmpfs -o mode=755 tmpfs /run || skip "cannot mount a tmpfs in the namespace"
for ns in wan router home; do ip netns add "$ns" || skip "cannot make the network namespace $ns"; done
ip link add r-wan netns router type veth peer name w-r netns wan || skip "cannot make a veth pair"
ip link add r-home netns router type veth peer name h-r netns home
for ns in wan router home; do ip -n "$ns" link set lo up; done
ip -n wan addr add 11.45.0.1/24 dev w-r
ip -n router addr add 11.45.0.2/24 dev r-wan
ip -n router addr add 192.168.77.1/24 dev r-home
ip -n home addr add 192.168.77.2/24 dev h-r
ip -n home addr add 192.168.77.3/24 dev h-r
ip -n wan link set w-r up
ip -n router link set r-wan up
ip -n router link set r-home up
ip -n home link set h-r up
ip -n home route add default via 192.168.77.1
in_ns router sysctl -qw net.ipv4.ip_forward=1
# Outgoing traffic is masqueraded; incoming is dropped unless miniupnpd's
# chains let it through and forward it.
in_ns router nft -f - <<'EOF' || skip "nftables does not work in the namespace"
table inet korvalo {
  chain forward {
    type filter hook forward priority 0; policy drop;
    ct state established,related accept
    iifname "r-home" oifname "r-wan" accept
    jump miniupnpd
  }
  chain miniupnpd { }
  chain prerouting {
    type nat hook prerouting priority -100; policy accept;
    jump prerouting_miniupnpd
  }
  chain postrouting {
    type nat hook postrouting priority 100; policy accept;
    jump postrouting_miniupnpd
    oifname "r-wan" masquerade
  }
  chain prerouting_miniupnpd { }
  chain postrouting_miniupnpd { }
}
EOF

router_pid=
start_router() {  # UPNP: yes or no
  : >"$tmp/miniupnpd.log"
  cat >"$tmp/miniupnpd.conf" <<EOF
ext_ifname=r-wan
listening_ip=r-home
enable_upnp=$1
enable_natpmp=yes
secure_mode=yes
system_uptime=no
upnp_table_name=korvalo
upnp_nat_table_name=korvalo
upnp_forward_chain=miniupnpd
upnp_nat_chain=prerouting_miniupnpd
upnp_nat_postrouting_chain=postrouting_miniupnpd
uuid=6b6f7276-616c-6f00-0000-000000000027
allow 1024-65535 192.168.77.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
EOF
  ip netns exec router miniupnpd -d -f "$tmp/miniupnpd.conf" -P /run/miniupnpd.pid >>"$tmp/miniupnpd.log" 2>&1 &
  router_pid=$!
  wait_for 1200 grep -q "Listening for NAT-PMP" "$tmp/miniupnpd.log" || fail "miniupnpd did not start"
}
stop_router() {
  kill "$router_pid"; wait "$router_pid" || true
  # What the daemon leaves behind (the other machine's mapping) goes too.
  for chain in miniupnpd prerouting_miniupnpd postrouting_miniupnpd; do
    in_ns router nft flush chain inet korvalo "$chain"
  done
}
# Whether the router forwards a port to the host now.
# (Read whole first: grep -q may end before nft has written, which pipefail
# would take for a failure.)
router_maps() {
  local rules
  rules=$(in_ns router nft list chain inet korvalo prerouting_miniupnpd)
  [[ $rules == *"to 192.168.77.2:"* ]]
}

host_pid=
start_host() {  # NAME SCRIPT-TEXT: a headless host in "home" asking the router
  printf '%b' "$2" >"$tmp/$1.script"
  mkdir -p "$tmp/$1"
  : >"$tmp/$1.log"
  host_started=$(ms)
  ip netns exec home "$script" --host --port 47119 --code tesuto --port-mapping --dir "$tmp/$1" --no-sound-device \
    "$tmp/$1.script" >"$tmp/$1.out" 2>"$tmp/$1.log" &
  host_pid=$!
}
# The router's answer on the host's standard error: sets outside (ADDRESS:PORT).
await_mapping() {
  wait_for 200 grep -q -e "インターネットから: " -e "ルーター" "$tmp/$1.log" || fail "$1: no word of the router in 10 s"
  outside=$(sed -n 's/^korvalo-script: インターネットから: \([0-9.]*:[0-9]*\)$/\1/p' "$tmp/$1.log")
  outside=${outside%%$'\n'*}
  echo "$1: $(grep -o 'asked in [0-9]* ms' "$tmp/$1.log")"
}
# A friend in "wan" joins by ARGS as blue, answers the host's first move
# (black's, in the host's script) and leaves.
host_plays='menu PLAY_4\nwait players 2\nclick 2 3\n'
join_from_wan() {
  local name=$1; shift
  printf 'click 6 2\nstate\n' >"$tmp/$name.script"
  mkdir -p "$tmp/$name"
  in_ns wan timeout 30 "$script" --join "$@" --seat blue --dir "$tmp/$name" --no-sound-device \
    "$tmp/$name.script" >"$tmp/$name.out" 2>"$tmp/$name.log" || fail "$name could not join through the router"
  grep -q "^state turn=3 .*move=2 " "$tmp/$name.out" || fail "$name's move did not come back from the host"
}
end_host() {
  wait_for 1200 eval '! kill -0 "$host_pid" 2>/dev/null' || fail "the host did not end"
  wait "$host_pid" || true
  ! router_maps || fail "the router still forwards a port after the host ended"
}

# 1. UPnP: the host maps its port, a friend joins through the router's
# outside address, and the mapping goes with the host.
start_router yes
start_host upnp "$host_plays"
await_mapping upnp
[[ $outside == 11.45.0.2:47119 ]] || fail "upnp: mapped ${outside:-nothing}, not 11.45.0.2:47119"
router_maps || fail "upnp: the router holds no forwarding"
[[ $(in_ns home upnpc -l 2>/dev/null) == *"47119->192.168.77.2:47119 'Korvalo'"* ]] || fail "upnp: no Korvalo mapping listed"
join_from_wan upnp-join "$outside" --code tesuto
end_host
echo "upnp: joined and played from wan through $outside; removed when the host ended"

# 2. A port already mapped to another machine of the home: the next one. The
# other machine is the home's second address, which the router's own route
# makes the source of upnpc's requests.
ip -n home route add 192.168.77.1/32 dev h-r src 192.168.77.3
in_ns home upnpc -a 192.168.77.3 47119 47119 TCP 3600 >"$tmp/other.log" 2>&1 || fail "the other machine's mapping failed"
ip -n home route del 192.168.77.1/32 dev h-r src 192.168.77.3
start_host taken "$host_plays"
await_mapping taken
[[ -n $outside && $outside != 11.45.0.2:47119 ]] || fail "taken: mapped ${outside:-nothing} over the other machine's"
grep -q "ポート 47119 は使われていたため" "$tmp/taken.log" || fail "taken: the host does not say it got another port"
# A link as the host printed it joins.
link=$(sed -n 's/^korvalo-script: 参加リンク: //p' "$tmp/taken.log")
[[ $link == "korvalo://$outside/tesuto" ]] || fail "taken: the link is ${link:-missing}"
join_from_wan link-join "$link"
end_host
echo "taken: the other machine kept 47119, the host got $outside; $link joined"
stop_router

# 3. NAT-PMP only: the same, and SIGTERM removes the mapping.
start_router no
start_host natpmp "${host_plays}wait players 3\n"
await_mapping natpmp
[[ $outside == 11.45.0.2:47119 ]] || fail "natpmp: mapped ${outside:-nothing}, not 11.45.0.2:47119"
grep -q "NAT-PMP port mapping request" "$tmp/miniupnpd.log" || fail "natpmp: the router was not asked by NAT-PMP"
join_from_wan natpmp-join "korvalo://$outside/tesuto"
router_maps || fail "natpmp: the router holds no forwarding"
kill -TERM "$host_pid"
end_host
echo "natpmp: joined through $outside; removed at SIGTERM"
stop_router

# 4. No router daemon: the host listens at once and says there is no mapping.
start_host none 'wait players 2\n'
wait_for 60 grep -q "hosting on port 47119" "$tmp/none.log" || fail "none: the host did not listen within 3 s"
echo "none: listening after $(($(ms) - host_started)) ms"
await_mapping none
grep -q "ルーターが応答しないため" "$tmp/none.log" || fail "none: the host does not say that no router answered"
echo "none: said after $(($(ms) - host_started)) ms: $(grep -o 'ルーターが応答しない[^。]*。' "$tmp/none.log")"
kill -TERM "$host_pid"
wait "$host_pid" || true

# 5. A router that never answers: the attempt still ends within 5 s.
in_ns router nft add table inet silent
in_ns router nft add chain inet silent input '{ type filter hook input priority -10; policy drop; }'
start_host silent 'wait players 2\n'
await_mapping silent
grep -q "ルーターが応答しないため" "$tmp/silent.log" || fail "silent: the host does not say that no router answered"
taken_ms=$(grep -o 'asked in [0-9]*' "$tmp/silent.log" | grep -o '[0-9]*$')
((taken_ms < 5000)) || fail "silent: the router was asked for $taken_ms ms"
kill -TERM "$host_pid"
wait "$host_pid" || true
in_ns router nft delete table inet silent

# 6. A router whose own outside address is shared (behind the provider's
# NAT; miniupnpd then keeps it to itself): the host says that a mapping
# cannot reach the internet, and makes none.
ip -n router addr flush dev r-wan
ip -n router addr add 100.64.0.2/24 dev r-wan
start_router yes
start_host shared 'wait players 2\n'
await_mapping shared
grep -q "ルーターの外側のアドレスは" "$tmp/shared.log" || fail "shared: the host does not say why"
! router_maps || fail "shared: the router forwards a port all the same"
echo "shared: $(grep -o 'ルーターの外側[^。]*。' "$tmp/shared.log")"
kill -TERM "$host_pid"
end_host
stop_router
ip -n router addr flush dev r-wan
ip -n router addr add 11.45.0.2/24 dev r-wan

# 7. A gateway of the test's own that answers what no router should: the
# host takes none of it for a link, writes none of its bytes raw, removes
# nothing it did not make, and ends at once whatever the gateway does.
gateway_pid=
start_gateway() {  # EXTERNAL-ADDRESS RESERVED-PORT [MODE]
  : >"$tmp/gateway.log"
  ip netns exec router python3 "$(dirname "$0")/hostile_gateway.py" 192.168.77.1 "$tmp/gateway.log" "$@" \
    >"$tmp/gateway.err" 2>&1 &
  gateway_pid=$!
  wait_for 1200 grep -q listening "$tmp/gateway.log" || fail "the hostile gateway did not start"
}
# Ends the host by SIGTERM (or the signal given) and says how long it took.
term_host() {  # NAME [SIGNAL]
  local before
  before=$(ms)
  kill "-${2:-TERM}" "$host_pid"
  wait_for 100 eval '! kill -0 "$host_pid" 2>/dev/null' || fail "$1: the host did not end within 5 s of SIGTERM"
  wait "$host_pid" || true
  ended_ms=$(($(ms) - before))
}
hostile() {  # NAME EXPECTED-WORDS EXTERNAL-ADDRESS RESERVED-PORT
  local name=$1 words=$2; shift 2
  start_gateway "$@"
  start_host "$name" 'wait players 2\n'
  await_mapping "$name"
  grep -q "$words" "$tmp/$name.log" || fail "$name: the host does not say $words"
  high_water
  ! grep -q "参加リンク\|インターネットから: " "$tmp/$name.log" || fail "$name: the host shows a link"
  ! grep -q $'\e' "$tmp/$name.log" "$tmp/$name.out" || fail "$name: the host wrote an escape byte"
  term_host "$name"
  ! grep -q DeletePortMapping "$tmp/gateway.log" || fail "$name: the host removed a mapping it did not make"
  kill "$gateway_pid"; wait "$gateway_pid" || true
  echo "$name: $(grep -o 'ルーター[^。]*。' "$tmp/$name.log" | head -n 1)"
}
# Sets water_kb to the host's peak memory (VmHWM, kB), read while it runs.
high_water() {
  water_kb=$(awk '$1 == "VmHWM:" { print $2 }' "/proc/$host_pid/status")
  [[ $water_kb =~ ^[0-9]+$ ]] || fail "no VmHWM of the host"
}
hostile reserved-letters "コード 718" 11.45.0.2 abcde
baseline_kb=$water_kb
hostile reserved-empty "コード 718" 11.45.0.2 ''
hostile named-outside "ルーターの外側のアドレスは" evil.example 47119
hostile escape-outside "ルーターの外側のアドレスは" '\x1b]0;PWNED\x07\x1b[2J' 47119
hostile private-outside "外側のアドレス 10.1.2.3 は" 10.1.2.3 47119
# A gateway that streams its description without end, drips it, or never
# ends a SOAP answer: the host has no mapping within 5 s and says so as
# usual, stops reading (the gateway sees the connection closed while the
# host runs on), stays within 40 MB of its peak with the gateway above
# (a router's description or answer is read up to 256 or 64 KiB), and ends
# at once on SIGTERM or SIGINT.
unending() {  # NAME MODE WHAT-THE-GATEWAY-SEES SIGNAL
  local name=$1 mode=$2 closed=$3
  start_gateway 11.45.0.2 47119 "$mode"
  start_host "$name" 'wait players 2\n'
  await_mapping "$name"
  grep -q "ルーターが応答しないため\|ルーター (UPnP) がポートの割り当てを断りました" "$tmp/$name.log" ||
    fail "$name: the host does not say that there is no mapping"
  ! grep -q "参加リンク\|インターネットから: " "$tmp/$name.log" || fail "$name: the host shows a link"
  taken_ms=$(grep -o 'asked in [0-9]*' "$tmp/$name.log" | grep -o '[0-9]*$')
  ((taken_ms <= 5500)) || fail "$name: the router was asked for $taken_ms ms"
  wait_for 100 grep -q "$closed" "$tmp/gateway.log" || fail "$name: the host still reads from the gateway 5 s on"
  kill -0 "$host_pid" || fail "$name: the host ended by itself"
  high_water
  ((water_kb <= baseline_kb + 40960)) || fail "$name: the host grew to $water_kb kB (with answers: $baseline_kb kB)"
  term_host "$name" "$4"
  ((ended_ms < 3500)) || fail "$name: SIG$4 ended the host after $ended_ms ms"
  kill "$gateway_pid"; wait "$gateway_pid" || true
  echo "$name: after $taken_ms ms: $(grep -o 'ルーター[^。]*。' "$tmp/$name.log" | head -n 1)"
  echo "$name: gateway: $(grep -m 1 -o "$closed.*" "$tmp/gateway.log"); peak $water_kb kB (with answers:" \
    "$baseline_kb kB); SIG$4 ended the host in $ended_ms ms"
}
unending huge huge "GET closed after" INT
unending drip drip "GET closed" TERM
unending endless-answer endless "POST closed after" TERM
# SIGTERM while the host still reads a dripping description ends it at once.
start_gateway 11.45.0.2 47119 drip
start_host drip-term 'wait players 2\n'
wait_for 200 grep -q GET "$tmp/gateway.log" || fail "drip-term: the host did not ask for the description"
term_host drip-term
((ended_ms < 3500)) || fail "drip-term: SIGTERM ended the host after $ended_ms ms"
echo "drip-term: SIGTERM during the description ended the host in $ended_ms ms"
kill "$gateway_pid"; wait "$gateway_pid" || true

# 8. A hosting window, where the program is given: the same line on its
# standard output, and the mapping removed when it is asked to end (its
# hosting notice still open, so that the signal ends it at once).
if [[ -n $window ]]; then
  start_router yes
  mkdir -p "$tmp/window"
  ip netns exec home env -C "$tmp/window" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$window" --host --port 47119 --code tesuto \
    >"$tmp/window.out" 2>"$tmp/window.log" &
  host_pid=$!
  wait_for 300 grep -q "インターネットから: 11.45.0.2:47119" "$tmp/window.out" || fail "window: no mapping on its output"
  router_maps || fail "window: the router holds no forwarding"
  kill -TERM "$host_pid"
  end_host
  echo "window: printed $(grep -o 'インターネットから: [0-9.:]*' "$tmp/window.out"); removed at SIGTERM"
  # SIGINT closes the window as its close button does, at once while a
  # gateway drips its description.
  stop_router
  start_gateway 11.45.0.2 47119 drip
  ip netns exec home env -C "$tmp/window" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$window" --host --port 47119 --code tesuto \
    >"$tmp/window-drip.out" 2>"$tmp/window-drip.log" &
  host_pid=$!
  wait_for 300 grep -q GET "$tmp/gateway.log" || fail "window-drip: the window did not ask for the description"
  term_host window-drip INT
  ((ended_ms < 3500)) || fail "window-drip: SIGINT ended the window after $ended_ms ms"
  kill "$gateway_pid"; wait "$gateway_pid" || true
  echo "window-drip: SIGINT during the description ended the window in $ended_ms ms"
fi
echo "PASS"
