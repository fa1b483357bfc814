#!/usr/bin/env bash
# Installs what is missing, builds, and starts Brevanto.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh" --target brevanto
exec "${BUILD_DIR:-$top/build}/bin/brevanto" "$@"
