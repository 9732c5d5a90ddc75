#!/usr/bin/env bash
# Builds Korvalo's fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each of them for
# SECONDS on a fresh copy of its seed corpus fuzz/corpus/<target>/.
#
#   fuzz/run.sh                  every target for 30 s (the quick run of the tests)
#   fuzz/run.sh 3600             a longer search: every target for an hour
#   fuzz/run.sh 600 settings     only the targets named (settings, wave_image,
#                                sound_library, protocol, host, join, join_link, router)
#
# The targets run side by side, FUZZ_JOBS at a time (default: all of them), so
# the whole run takes about SECONDS per round. One summary line is printed per
# target. The exit status is non-zero when any target crashes, leaks, hangs
# (10 s on one input), runs out of memory (2 GB in all, or 512 MB in a single
# allocation) or gets any sanitizer report; the input that did it is
# kept under build-fuzz/artifacts/<target>/ and the end of the target's log
# is printed (all logs: build-fuzz/logs/). To replay an input:
#   build-fuzz/fuzz_<target> FILE
#
# Inputs found during a run go to build-fuzz/corpus/<target>/, never into the
# repository; copy one into fuzz/corpus/<target>/ to keep it as a seed. The
# seeds themselves are made by fuzz/make_seeds.cpp:
#   cmake --build build-fuzz --target fuzz_make_seeds && build-fuzz/fuzz_make_seeds fuzz/corpus
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(settings wave_image sound_library protocol host join join_link router)
jobs=${FUZZ_JOBS:-${#targets[@]}}

if ! [[ $seconds =~ ^[1-9][0-9]*$ && $jobs =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: [FUZZ_JOBS=N] fuzz/run.sh [SECONDS] [TARGET...]" >&2
  exit 2
fi
for t in "${targets[@]}"; do
  if [[ ! -d $root/fuzz/corpus/$t ]]; then
    echo "fuzz/run.sh: no target named $t" >&2
    exit 2
  fi
done
if ! command -v clang++ >/dev/null; then
  echo "fuzz/run.sh: clang is missing (scripts/deps.sh test installs it)" >&2
  exit 1
fi

build=$root/build-fuzz
CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

dictionary() {
  case $1 in
    settings) echo "$root/fuzz/dict/settings.dict" ;;
    protocol | host | join) echo "$root/fuzz/dict/protocol.dict" ;;
    join_link) echo "$root/fuzz/dict/join_link.dict" ;;
    router) echo "$root/fuzz/dict/router.dict" ;;
    *) echo "$root/fuzz/dict/wave.dict" ;;
  esac
}

# Runs one target; its log is build-fuzz/logs/<target>.log, its exit status
# build-fuzz/logs/<target>.status.
run_target() {
  local t=$1 rc=0
  rm -rf "$build/corpus/$t" "$build/artifacts/$t"
  mkdir -p "$build/corpus" "$build/artifacts/$t" "$build/logs"
  cp -r "$root/fuzz/corpus/$t" "$build/corpus/$t"
  # Paths are absolute: the settings target works in a folder of its own.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz_$t" "$build/corpus/$t" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
    -dict="$(dictionary "$t")" -artifact_prefix="$build/artifacts/$t/" \
    -print_final_stats=1 >"$build/logs/$t.log" 2>&1 || rc=$?
  echo "$rc" >"$build/logs/$t.status"
}

# One line: the outcome, runs, speed, coverage and corpus size.
summarize() {
  local t=$1 status=$2 log=$build/logs/$1.log
  local runs speed last cov ft corp
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$last")
  printf '%-14s %-6s %s runs, %s exec/s, cov %s, ft %s, corpus %s\n' \
    "$t" "$status" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}"
}

# Anything a sanitizer or libFuzzer reports counts, even if the exit status
# hid it.
reported() {
  grep -qE '^==[0-9]+==ERROR|runtime error:|^SUMMARY: |^INFO: a leak|deadly signal|out-of-memory|timeout after' "$1"
}

echo "Fuzzing ${targets[*]} for $seconds s each, $jobs at a time"
running=0
for t in "${targets[@]}"; do
  rm -f "$build/logs/$t.status"
  if ((running >= jobs)); then
    wait -n || true
    ((running--))
  fi
  run_target "$t" &
  ((++running))
done
wait

failed=()
for t in "${targets[@]}"; do
  rc=$(cat "$build/logs/$t.status" 2>/dev/null || echo missing)
  if [[ $rc != 0 ]] || reported "$build/logs/$t.log"; then
    summarize "$t" FAILED
    failed+=("$t")
  else
    summarize "$t" ok
  fi
done

if ((${#failed[@]})); then
  for t in "${failed[@]}"; do
    echo
    echo "---- $t: end of build-fuzz/logs/$t.log"
    tail -n 40 "$build/logs/$t.log"
    echo "---- inputs kept in build-fuzz/artifacts/$t/:"
    ls -1 "$build/artifacts/$t"
  done
  exit 1
fi
