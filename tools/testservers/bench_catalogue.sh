#!/usr/bin/env bash
# Runs bench/catalogue_bench against fresh loopback mirrors, once with the clients'
# kept answers and once with every size and time asked of the server:
#   tools/testservers/bench_catalogue.sh BUILD_DIR [ROUNDS]
# with BUILD_DIR a Windows build; run it inside a Wine session (tools/wine-session.sh).
# TAMARI_WINE_RUN names another launcher than tools/wine-run.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
rounds=${2:-5}
state=$build/bench-mirror
/usr/bin/python3 "$top/tools/testservers/mirror_servers.py" start --state "$state" --time-limit 900 >/dev/null
trap '/usr/bin/python3 "$top/tools/testservers/mirror_servers.py" stop --state "$state"' EXIT
for mode in keep ask; do
  TAMARI_MIRROR_STATE="Z:$state" "${TAMARI_WINE_RUN:-$top/tools/wine-run.sh}" \
    "$build/tests/net/catalogue_bench.exe" "$rounds" "$mode"
done
