#!/usr/bin/env bash
# Builds one of the monitor's fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and replays its seeds plus RUNS generated inputs (default 100000).
# Usage: run_fuzz.sh protocol|form OUT_DIR [RUNS|-max_total_time=N ...]
#   protocol  the request classifier, replies and hit decoding (MonitorProtocol)
#   form      the form request parser and field readers (FormRequestText, decoding with
#             MonitorProtocol's byte decoder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
target=$1 out=$2; shift 2
case $target in
protocol) units=(MonitorProtocol) harness=MonitorProtocolFuzz seeds=$here/seeds ;;
form) units=(FormRequestText MonitorProtocol) harness=FormRequestFuzz seeds=$here/form_seeds ;;
*) echo "run_fuzz.sh: unknown target '$target'" >&2; exit 2 ;;
esac
mkdir -p "$out/corpus-$target"
sources=()
for unit in "${units[@]}"; do sources+=("$top/monitor/$unit.cpp"); done
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$top/monitor" "${sources[@]}" "$here/$harness.cpp" -o "$out/${target}_fuzz"
args=("${@:--runs=100000}")
exec "$out/${target}_fuzz" "${args[@]}" -seed=1 "$out/corpus-$target" "$seeds"
