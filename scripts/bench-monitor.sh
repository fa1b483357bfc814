#!/usr/bin/env bash
# Message Monitor figures on loopback (no pass/fail): starts brevanto offscreen with the monitor
# on a free port and a private home, then
#   monitor_vs_reference  requests/s of the monitor and of Python's ThreadingHTTPServer serving
#                         the same PNG to the same client at 1 and 8 connections, with their ratio
#   monitor_load          10,000 and 100,000 hits from 8 client processes: hits/s, latency p50/p99,
#                         connection threads at most, VmHWM growth, drain time per 1,000 hits, hits lost
#   monitor_window        the Message Monitor window's refresh with 100,000 rows
#   monitor_fuzz          a libFuzzer run of the protocol unit (FUZZ_SECONDS, default 600)
# BENCH_REQUESTS sets the request count per row (default 4000); BUILD_DIR the build folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
requests=${BENCH_REQUESTS:-4000}
fuzz_seconds=${FUZZ_SECONDS:-600}
python=/usr/bin/python3

BUILD_DIR="$build" bash "$top/scripts/build.sh" --target brevanto bench
scratch=$(mktemp -d "${TMPDIR:-/tmp}/brevanto-bench-XXXXXX")
app=""
cleanup() {
    [[ -n $app ]] && kill "$app" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$scratch"/{home,config/Brevanto,data,run}
chmod 700 "$scratch/run"
port=$($python -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat > "$scratch/config/Brevanto/org.brevanto.Brevanto.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>MessageMonitor</key>
	<string>true</string>
	<key>MessageMonitorPort</key>
	<string>$port</string>
</dict>
</plist>
PLIST
echo "load: $(cut -d' ' -f1-3 /proc/loadavg), cores: $(nproc)"
env QT_QPA_PLATFORM=offscreen HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
    XDG_RUNTIME_DIR="$scratch/run" "$build/bin/brevanto" >"$scratch/app.log" 2>&1 &
app=$!
for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$port/Brevanto.bvto?Hello" && break
    sleep 0.1
done
$python "$top/bench/monitor_vs_reference.py" "$port" "$top/resources/33.png" "$requests"
kill "$app"; wait "$app" 2>/dev/null || true; app=""

# monitor_load and monitor_window run in the bench executable, each in a private home of its own
env QT_QPA_PLATFORM=offscreen "$build/bench/bench" --benchmark_filter='BM_Monitor(Load|WindowRefresh)' 2>/dev/null |
    grep -E "^BM_" | sed -e 's/^BM_MonitorLoad/monitor_load /' -e 's/^BM_MonitorWindowRefresh/monitor_window /'

bash "$top/tests/monitor/fuzz/run_fuzz.sh" protocol "$scratch/fuzz" -max_total_time="$fuzz_seconds" 2>&1 |
    grep -E "^#[0-9]+.*DONE|^Done|ERROR" | sed 's/^/monitor_fuzz /'
