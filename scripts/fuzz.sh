#!/usr/bin/env bash
# Runs every libFuzzer target for MINUTES minutes each, two at a time, from a
# scratch copy of its seed corpus under build/fuzz-runs, and reports per target
# executions, coverage and crashes. Builds build/fuzz first.
#   scripts/fuzz.sh 10
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
source scripts/common.sh

minutes=${1:-}
[[ "$minutes" =~ ^[0-9]+$ ]] && [ "$minutes" -gt 0 ] || { echo "usage: scripts/fuzz.sh MINUTES [TARGET...]" >&2; exit 2; }
shift
mkdir -p build
build_fuzz || exit 1
exec /usr/bin/python3 scripts/fuzz.py --seconds $((minutes * 60)) --jobs 2 "$@"
