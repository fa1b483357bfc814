#!/usr/bin/env bash
# Delivery figures on loopback: starts smtp-sink, a TLS front (socat, per-run certificate)
# before it and an aiosmtpd peer with STARTTLS, then runs each row in a fresh process and
# prints its rate and peak RSS, and the ratios the rows are judged by:
#   build only                     messages built per second, beside Python's email package
#   (a) framework client, one connection       (b) framework client, 25 per connection
#   (c) secure road, single jobs via the front (d) secure road, batch jobs of 25 via the front
#   (c') secure road, single jobs over STARTTLS straight to the aiosmtpd peer
#   (e) Python smtplib with the same prebuilt messages: one connection, 25 per connection,
#       TLS per message via the front, STARTTLS per message to the aiosmtpd peer
#   (f) the TLS handshake ceiling: openssl s_time -new against the front
#   (g) peak RSS of the build-and-send road (batch jobs of 25, the attachment) at the smallest
#       count of BENCH_COUNTS and at BENCH_RSS_COUNT messages (default 100000; 0 skips it)
# Figures only, no pass/fail. BENCH_COUNTS sets the message counts (default "10000 100000");
# BUILD_DIR the build folder. Runs with a private home, so no setting of the user's changes.
# The machine's load is printed first: figures of a loaded machine are only worth their ratios.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
counts=${BENCH_COUNTS:-10000 100000}
rss_count=${BENCH_RSS_COUNT:-100000}
python=/usr/bin/python3

BUILD_DIR="$build" bash "$top/scripts/build.sh" --target bench
bench="$build/bin/bench"
[[ -x $bench ]] || bench=$(find "$build" -name bench -type f -perm -u+x | head -1)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/brevanto-bench-XXXXXX")
chmod 755 "$scratch"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$scratch"/{home,config,tmp}

free_port() { "$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_port() {
    for _ in $(seq 100); do
        "$python" -c "import socket,sys; socket.create_connection(('127.0.0.1',$1),1)" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "nothing listens on port $1" >&2
    return 1
}

# The per-run CA and the front's certificate (SAN localhost and 127.0.0.1).
(
    cd "$scratch"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj '/CN=Bench CA'
    openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj '/CN=localhost'
    printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\n' > ext.cnf
    openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2 -extfile ext.cnf
) >/dev/null 2>&1

echo "== machine: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"

sink_port=$(free_port)
sink_user=()
[[ $(id -u) -eq 0 ]] && sink_user=(-u nobody)
/usr/sbin/smtp-sink "${sink_user[@]}" "127.0.0.1:$sink_port" 256 >/dev/null 2>&1 &
pids+=($!)
wait_port "$sink_port"

front_port=$(free_port)
socat "OPENSSL-LISTEN:$front_port,bind=127.0.0.1,reuseaddr,fork,nodelay,verify=0,cert=$scratch/server.pem,key=$scratch/server.key" \
    "TCP:127.0.0.1:$sink_port,nodelay" >/dev/null 2>&1 &
pids+=($!)
wait_port "$front_port"

# The aiosmtpd peer with STARTTLS, recording nothing; a FIFO held open keeps its input open.
starttls_port=$(free_port)
mkfifo "$scratch/peer-input"
exec 3<>"$scratch/peer-input"
"$python" "$top/tests/peers/smtp_server.py" --mode starttls --port "$starttls_port" \
    --cert "$scratch/server.pem" --key "$scratch/server.key" <&3 >/dev/null 2>&1 &
pids+=($!)
wait_port "$starttls_port"

export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" TMPDIR="$scratch/tmp" QT_QPA_PLATFORM=offscreen
export BREVANTO_BENCH_TLS_PORT="$front_port" BREVANTO_BENCH_CA_FILE="$scratch/ca.pem"
export BREVANTO_BENCH_STARTTLS_PORT="$starttls_port" BENCH_COUNTS="$counts"

declare -A rate rss

# One row: a label, a key under which its messages per second are kept, and a command run in
# a fresh process; its own lines, then its rate and peak RSS. A benchmark row's rate is its
# items per second; any other command prints "<n> messages/s" (or connections/s).
row() {
    local label=$1 key=$2 value=
    shift 2
    echo "== $label"
    /usr/bin/time -f "%M" -o "$scratch/rss" "$@" >"$scratch/out" 2>"$scratch/err" || true
    if [[ -s $scratch/json ]]; then
        "$python" - "$scratch/json" >"$scratch/out" <<'PY'
import json, sys
for r in json.load(open(sys.argv[1])).get("benchmarks", [])[:1]:
    if r.get("error_occurred"):
        print("error: %s" % r.get("error_message", ""))
    else:
        failures = r.get("failures")
        record = r.get("record_bytes")
        print("%s  %.1f messages/s%s%s" % (r["name"], r.get("items_per_second", 0),
                                          "" if failures is None else "  failures %d" % failures,
                                          "" if record is None else "  record %d bytes" % record))
PY
        rm -f "$scratch/json"
    fi
    grep -E '^(BM_|Build|smtplib|email|error|[0-9]+ connections)' "$scratch/out" | sed 's/^/   /' || true
    value=$(grep -oE '[0-9.]+ (messages|connections)/s' "$scratch/out" | tail -1 | cut -d' ' -f1 || true)
    rate[$key]=$value
    [[ -n $value ]] || tail -3 "$scratch/err" | sed 's/^/   /'
    rss[$key]=$(tail -1 "$scratch/rss")
    echo "   peak RSS ${rss[$key]} KB"
}
bench_row() {
    local label=$1 key=$2 filter=$3
    row "$label" "$key" "$bench" --benchmark_filter="$filter" --benchmark_out="$scratch/json" --benchmark_out_format=json
}
# "ratio NAME A B TARGET": A's rate over B's, with the target it should reach.
ratio() {
    local a=${rate[$2]:-} b=${rate[$3]:-}
    if [[ -z $a || -z $b ]]; then
        echo "-- $1: no ratio (a row gave no figure)"
        return
    fi
    "$python" -c 'import sys; n, a, b, t = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), sys.argv[4]; print("-- %s: %.1f / %.1f = %.2fx (target %s)" % (n, a, b, a / b if b else 0, t))' "$1" "$a" "$b" "$4"
}

# (h) the mailing window end to end, throttle off: recipients imported into a window whose Send
# button sends them through the front, plain and with the tracking image and two attachments,
# beside (c) at the same count (run again here, so both see the same load) and smtp-source's
# rate of new plain connections to the sink (one message each); the ms per recipient outside
# the SMTP conversation (first and last 1,000); and the CPU seconds of one minute of a
# period-delay throttle's wait.
cat >"$scratch/window-row.sh" <<'SH'
rm -f "$3"
"$1" --benchmark_filter="$2" --benchmark_out="$3" --benchmark_out_format=json >/dev/null || true
[[ -s $3 ]] || { echo "error: the benchmark wrote no figures"; exit 0; }
/usr/bin/python3 - "$3" <<'PY'
import json, sys
for r in json.load(open(sys.argv[1])).get("benchmarks", []):
    if r.get("error_occurred"):
        print("error: %s" % r.get("error_message", ""))
    elif "cpu_seconds_per_minute" in r:
        print("%s  %.2f CPU seconds in 60 s of throttle delay" % (r["name"], r["cpu_seconds_per_minute"]))
    else:
        edges = ("first 1,000 %.2f ms, last 1,000 %.2f ms" % (r["outside_ms_first1000"], r["outside_ms_last1000"])
                 if "outside_ms_first1000" in r else "all %.2f ms" % r.get("outside_ms_all", 0))
        print("%s  %.1f messages/s  failures %d  in the conversation %.2f ms, outside it: %s  peak RSS %d KB"
              % (r["name"], r.get("items_per_second", 0), r.get("failures", 0), r.get("conversation_ms", 0), edges,
                 r.get("peak_rss_kb", 0)))
PY
SH
cat >"$scratch/source-row.sh" <<'SH'
start=$(date +%s.%N)
/usr/sbin/smtp-source -s 1 -m "$2" -l 2000 -M localhost -f sender@brevanto.test -t r@example.org "127.0.0.1:$1"
/usr/bin/python3 -c 'import sys, time; n, t = int(sys.argv[1]), time.time() - float(sys.argv[2]); print("%d connections in %.1f s: %.1f connections/s" % (n, t, n / t))' "$2" "$start"
SH
window_row() {
    row "$1" "$2" bash "$scratch/window-row.sh" "$bench" "$3" "$scratch/window.json"
}
for count in $counts; do
    bench_row "(h) beside: (c) secure road, single jobs, $count messages, attachment 0" hc \
        "^BM_SecureRoadSingleJobs/messages:$count/attachment50KB:0/"
    window_row "(h) mailing window, $count recipients, plain" h0 "^BM_WindowMailing/recipients:$count/trackingAndAttachments:0/"
    window_row "(h) mailing window, $count recipients, tracking image and two attachments" h1 \
        "^BM_WindowMailing/recipients:$count/trackingAndAttachments:1/"
    row "(h) beside: smtp-source, a new plain connection to the sink per message, $count messages" hsource \
        bash "$scratch/source-row.sh" "$sink_port" "$count"
    ratio "(h) plain against (c), $count" h0 hc "none, figures only"
    ratio "(h) tracking and attachments against (c), $count" h1 hc "none, figures only"
    ratio "smtp-source's new connections against (h) plain, $count" hsource h0 "none, figures only"
done
echo "== machine load at the end: $(cut -d" " -f1-3 /proc/loadavg)"
