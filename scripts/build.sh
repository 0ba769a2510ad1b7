#!/usr/bin/env bash
# Configures and builds one flavour: scripts/build.sh <build dir> [--target <name>] [cmake options...]
# Without --target every target is built: the program, the tools, the tests and the benchmarks.
set -euo pipefail
dir=$1; shift
target=()
if [[ ${1:-} == --target ]]; then target=(--target "$2"); shift 2; fi
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" "${target[@]}"
