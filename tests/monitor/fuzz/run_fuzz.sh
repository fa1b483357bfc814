#!/usr/bin/env bash
# Builds the protocol fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and replays the seeds plus RUNS generated inputs (default 100000). Usage: run_fuzz.sh OUT_DIR [RUNS|-max_total_time=N ...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
out=$1; shift
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$top/monitor" "$top/monitor/MonitorProtocol.cpp" "$here/MonitorProtocolFuzz.cpp" -o "$out/monitor_protocol_fuzz"
args=("${@:--runs=100000}")
exec "$out/monitor_protocol_fuzz" "${args[@]}" -seed=1 "$out/corpus" "$here/seeds"
