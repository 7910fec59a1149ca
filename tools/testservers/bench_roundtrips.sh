#!/usr/bin/env bash
# Runs bench/net_roundtrips against fresh loopback mirrors:
#   tools/testservers/bench_roundtrips.sh BUILD_DIR [FTP_ROUNDS [HTTP_ROUNDS]]
# with BUILD_DIR a Windows build; run it inside a Wine session (tools/wine-session.sh).
# TAMARI_WINE_RUN names another launcher than tools/wine-run.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
ftp_rounds=${2:-1}
http_rounds=${3:-5}
state=$build/bench-mirror
/usr/bin/python3 "$top/tools/testservers/mirror_servers.py" start --state "$state" --time-limit 900 >/dev/null
trap '/usr/bin/python3 "$top/tools/testservers/mirror_servers.py" stop --state "$state"' EXIT
TAMARI_MIRROR_STATE="Z:$state" "${TAMARI_WINE_RUN:-$top/tools/wine-run.sh}" "$build/tests/net/net_roundtrips.exe" "$ftp_rounds" "$http_rounds"
