#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one for the given number of
# seconds (default 60). 0 runs every target over its seed corpus only, as ./test.sh does.
# New inputs a run finds are kept in build-fuzz/corpus/<target>, findings in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
if [ ! -f build-fuzz/build.ninja ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_FUZZ=ON \
    "${launcher[@]}" >/dev/null
fi
cmake --build build-fuzz --target fuzz
mkdir -p build-fuzz/findings build-fuzz/logs
failed=0
for target in build-fuzz/fuzz/fuzz_*; do
  name=$(basename "$target")
  seeds=fuzz/corpus/$name
  log=build-fuzz/logs/$name.log
  if [ "$seconds" = 0 ]; then
    args=(-runs=0 "$seeds")
  else
    mkdir -p build-fuzz/corpus/"$name"
    # The widest seeds are large; mutations stay below 64 KiB so that runs keep their pace.
    args=(-max_total_time="$seconds" -max_len=65536 -print_final_stats=1 build-fuzz/corpus/"$name" "$seeds")
  fi
  if "$target" -artifact_prefix=build-fuzz/findings/"$name"- "${args[@]}" >"$log" 2>&1; then
    echo "$name: $(grep -E '^#[0-9]+[[:space:]]+(DONE|INITED)' "$log" | tail -n 1)"
  else
    echo "$name: FAILED, see $log" >&2
    tail -n 30 "$log" >&2
    failed=1
  fi
done
exit "$failed"
