# Sourced by the benchmarks that run real windows. start_xvfb NAME SCREEN
# starts Xvfb (SCREEN as WIDTHxHEIGHTxDEPTH) on the first free display from
# :90, keeps its process id in $xvfb for the caller's cleanup, and exports
# DISPLAY; NAME is the benchmark's, for the message when Xvfb does not start.
start_xvfb() {
    local n=90
    while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "$2" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
    [[ -e /tmp/.X11-unix/X$n ]] || { echo "$1: Xvfb did not start on :$n" >&2; exit 1; }
    export DISPLAY=":$n"
}
