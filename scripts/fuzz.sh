#!/usr/bin/env bash
# Builds the fuzz targets, replays the committed corpora, then fuzzes each target for SECONDS
# (default 60), as many at once as there are cores. Working corpora, logs and crash inputs stay
# in .fuzz/. Exits non-zero on any crash.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
targets=(fuzz_receiver fuzz_image_file fuzz_image_formats)
build=build-fuzz
work=.fuzz
common=(-rss_limit_mb=512 -timeout=30)

mkdir -p "$work/logs" "$work/artifacts"
build_log="$work/logs/build.log"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DTESSIMOR_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build_log" 2>&1 || { cat "$build_log"; exit 1; }
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >"$build_log" 2>&1 ||
  { tail -40 "$build_log"; exit 1; }

# The targets create and truncate files on every run; on tmpfs that costs nothing.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

# What broke: the harness's own invariant message, else the sanitizer's summary.
reason() {
  grep -m1 -h -E '^invariant broken: |^SUMMARY: ' "$1" | sed 's/^invariant broken: //' || true
}

# Fuzzes one target; prints its one-line result and fails on a crash.
fuzz_one() {
  local target=$1
  local binary="$build/bin/$target"
  local seeds=(fuzz/corpus/"$target"/*)
  local corpus="$work/corpus/$target"
  local log="$work/logs/$target.log"
  local artifacts=(-artifact_prefix="$work/artifacts/$target-")

  if ! "$binary" "${common[@]}" "${artifacts[@]}" "${seeds[@]}" >"$log" 2>&1; then
    local input
    input=$(sed -n 's/^Running: //p' "$log" | tail -1)
    echo "$target: FAILED on ${input:-the committed corpus}: $(reason "$log") (see $log)"
    return 1
  fi

  mkdir -p "$corpus"
  cp -n "${seeds[@]}" "$corpus/"
  if "$binary" "${common[@]}" "${artifacts[@]}" -max_total_time="$seconds" \
    -print_final_stats=1 "$corpus" >>"$log" 2>&1; then
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "$target: ok, ${runs:-?} runs in ${seconds}s, corpus $(ls "$corpus" | wc -l) inputs"
  else
    local crash
    crash=$(sed -n 's/.*Test unit written to //p' "$log" | tail -1)
    echo "$target: CRASH on ${crash:-an unsaved input}: $(reason "$log") (see $log)"
    return 1
  fi
}

# As many targets at once as there are cores, each on one; results in the targets' order.
failed=0
pids=()
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  fuzz_one "$target" >"$work/logs/$target.result" &
  pids+=($!)
done
for i in "${!targets[@]}"; do
  wait "${pids[$i]}" || failed=1
  cat "$work/logs/${targets[$i]}.result"
done
exit "$failed"
