#!/usr/bin/env bash
# The online catalogue (bench/catalogue_bench) against fresh loopback mirrors, once
# with the clients' kept answers and once with every size and time asked of the server:
#   tools/testservers/bench_catalogue.sh BUILD_DIR [ROUNDS]
. "$(dirname "$0")/bench_mirror.sh" "$1"
for mode in keep ask; do run_exe catalogue_bench.exe "${2:-5}" "$mode"; done
