#!/usr/bin/env bash
# Delivery figures on loopback: starts smtp-sink and a TLS front (socat, per-run certificate)
# before it, then runs each row in a fresh process and prints its rate and peak RSS:
#   build-only                     messages built per second
#   (a) framework client, one connection       (b) framework client, 25 per connection
#   (c) secure road, single jobs via the front (d) secure road, batch jobs of 25 via the front
#   (e) Python smtplib with the same prebuilt messages: one connection, 25 per connection,
#       TLS per message via the front
# Figures only, no pass/fail. BENCH_COUNTS sets the message counts (default "10000 100000");
# BUILD_DIR the build folder. Runs with a private home, so no setting of the user's changes.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
counts=${BENCH_COUNTS:-10000 100000}
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

sink_port=$(free_port)
sink_user=()
[[ $(id -u) -eq 0 ]] && sink_user=(-u nobody)
/usr/sbin/smtp-sink "${sink_user[@]}" "127.0.0.1:$sink_port" 256 >/dev/null 2>&1 &
pids+=($!)
wait_port "$sink_port"

front_port=$(free_port)
socat "OPENSSL-LISTEN:$front_port,bind=127.0.0.1,reuseaddr,fork,verify=0,cert=$scratch/server.pem,key=$scratch/server.key" \
    "TCP:127.0.0.1:$sink_port" >/dev/null 2>&1 &
pids+=($!)
wait_port "$front_port"

export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" TMPDIR="$scratch/tmp" QT_QPA_PLATFORM=offscreen
export BREVANTO_BENCH_TLS_PORT="$front_port" BREVANTO_BENCH_CA_FILE="$scratch/ca.pem"

# One row: a label and a command, run in a fresh process; its own lines, then the peak RSS.
row() {
    local label=$1
    shift
    echo "== $label"
    /usr/bin/time -f "   peak RSS %M KB" "$@" 2>&1 | grep -E '^(BM_|BuildPersonalised|smtplib|   peak)' || true
}
bench_row() {
    row "$1" "$bench" --benchmark_filter="$2" --benchmark_counters_tabular=true
}

for attachment in 0 1; do
    bench_row "build only, attachment $attachment" "^BuildPersonalised/attachment50KB:$attachment\$"
done
for count in $counts; do
    for attachment in 0 1; do
        tag="$count messages, attachment $attachment"
        bench_row "(c) secure road, single jobs, $tag" "^BM_SecureRoadSingleJobs/messages:$count/attachment50KB:$attachment/"
        bench_row "(d) secure road, batch jobs of 25, $tag" "^BM_SecureRoadBatchJobsOf25/messages:$count/attachment50KB:$attachment/"
        # Rows (a), (b) and (e) hold all messages prebuilt: 100,000 with the attachment would be ~7 GB.
        if (( count * (1 + attachment * 70) > 1000000 )); then
            echo "== (a), (b), (e) with $tag: skipped (the prebuilt messages would not fit in memory)"
            continue
        fi
        bench_row "(a) framework client, one connection, $tag" "^BM_SMTPClientOneConnection/$count/$attachment/"
        bench_row "(b) framework client, 25 per connection, $tag" "^BM_SMTPClientBatchesOf25/$count/$attachment/"
        messages="$scratch/messages-$count-$attachment"
        BREVANTO_BENCH_MESSAGES_OUT="$messages" "$bench" \
            --benchmark_filter="^BM_WritePrebuiltMessages/messages:$count/attachment50KB:$attachment/" >/dev/null
        for mode in one batch25; do
            row "(e) smtplib $mode, $tag" "$python" "$top/bench/smtplib_bench.py" --messages "$messages" --mode "$mode" --port "$sink_port"
        done
        row "(e) smtplib TLS per message, $tag" "$python" "$top/bench/smtplib_bench.py" --messages "$messages" --mode tls \
            --port "$front_port" --ca "$scratch/ca.pem"
        rm -f "$messages"
    done
done
