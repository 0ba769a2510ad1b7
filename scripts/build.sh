#!/usr/bin/env bash
# Configures and builds one flavour: scripts/build.sh <build dir> [cmake options...]
set -euo pipefail
dir=$1; shift
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"
