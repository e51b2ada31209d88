#!/usr/bin/env bash
# Runs every benchmark program; each prints its own "ratio NAME R" lines.
set -euo pipefail
build=${1:-build}
shopt -s nullglob
for prog in "$build"/bin/bench_*; do
    "$prog"
done
