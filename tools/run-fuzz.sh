#!/bin/sh
# Runs one fuzz target for a bounded time over its seed corpus. New inputs go
# to a work folder in the build tree, never into the repository's seeds; a
# crash leaves its input in ARTIFACTS and fails the run.
# usage: run-fuzz.sh FUZZER SEEDS SECONDS WORKDIR
set -eu
fuzzer=$1 seeds=$2 seconds=$3 work=$4
mkdir -p "$work/corpus" "$work/artifacts"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"
