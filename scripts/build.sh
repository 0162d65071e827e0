#!/usr/bin/env bash
# scripts/build.sh <build folder> [cmake options...]: configures once and builds.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$1"; shift
cmake -S . -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
