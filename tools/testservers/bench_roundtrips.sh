#!/usr/bin/env bash
# Listings and per-file queries (bench/net_roundtrips) against fresh loopback mirrors:
#   tools/testservers/bench_roundtrips.sh BUILD_DIR [FTP_ROUNDS [HTTP_ROUNDS]]
. "$(dirname "$0")/bench_mirror.sh" "$1"
run_exe net_roundtrips.exe "${2:-1}" "${3:-5}"
