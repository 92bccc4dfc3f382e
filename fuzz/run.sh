#!/bin/sh
# Builds the fuzz targets with clang in build-fuzz and runs each for N seconds
# (default 20): fuzz/run.sh [seconds]
set -eu
seconds="${1:-20}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRB_CORE_ONLY=ON -DRB_FUZZ=ON -DRB_WITH_QT=OFF -DRB_WITH_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_split_text fuzz_gbk fuzz_ini fuzz_catalog_parser

status=0
for name in split_text gbk ini catalog_parser; do
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  # Seeds: a few typical inputs, so the fuzzer starts from real shapes.
  cp "$root/fuzz/seeds/$name/"* "$corpus/" 2>/dev/null || true
  echo "== fuzz_$name for ${seconds}s"
  if ! (cd "$build" && "$build/bin/fuzz_$name" -max_total_time="$seconds" -max_len=4096 \
      -print_final_stats=1 "$corpus" 2>"$build/fuzz_$name.log"); then
    status=1
    tail -n 40 "$build/fuzz_$name.log"
    echo "fuzz_$name FAILED (crash input in $build)"
  else
    grep -E "^stat::number_of_executed_units|^Done" "$build/fuzz_$name.log" || true
  fi
done
exit $status
