#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test inside a private network namespace
# (only loopback exists there), with a fresh home, configuration and temporary folder.
# Extra arguments go to ctest (e.g. -R Plist).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh"
# The benchmarks are built (never run) so that they keep compiling.
bash "$top/scripts/build.sh" --target bench

scratch=$(mktemp -d "${TMPDIR:-/tmp}/brevanto-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{home,config,runtime,tmp}
chmod 700 "$scratch/runtime"

# The build folder and the ctest arguments reach the inner shell as its own arguments ($0, $@),
# never pasted into its command text: spaces and quotes in them stay what they are.
inner='ip link set lo up && cd "$0" && exec ctest --output-on-failure -j "$(nproc)" "$@"'
unshare_args=(--net)
[[ $(id -u) -eq 0 ]] || unshare_args=(--user --map-root-user --net)
set +e
env QT_QPA_PLATFORM=offscreen HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" \
    XDG_RUNTIME_DIR="$scratch/runtime" TMPDIR="$scratch/tmp" \
    unshare "${unshare_args[@]}" bash -c "$inner" "$build" "$@"
status=$?
exit $status
