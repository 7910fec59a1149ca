#!/usr/bin/env bash
# Downloads one 100 MB file from a fresh loopback HTTP mirror three times through
# dialog 106 (bench/download_throughput) and three times with curl, into the same
# directory:
#   tools/testservers/bench_download.sh BUILD_DIR [ROUNDS]
# with BUILD_DIR a Windows build; run it inside a Wine session (tools/wine-session.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
rounds=${2:-3}
size=100000000
state=$build/bench-download-mirror
out=$(mktemp -d /tmp/tamari3-download-bench.XXXXXX)
/usr/bin/python3 "$top/tools/testservers/mirror_servers.py" start --state "$state" --time-limit 900 >/dev/null
trap '/usr/bin/python3 "$top/tools/testservers/mirror_servers.py" stop --state "$state"; rm -rf "$out"' EXIT
host=$(awk '$1 == "http" { print $2 }' "$state/servers")
mkdir -p "$state/root/http/bench"
head -c "$size" /dev/urandom >"$state/root/http/bench/big.bin"
url="http://$host/bench/big.bin"

"${TAMARI_WINE_RUN:-$top/tools/wine-run.sh}" "$build/tests/net/download_throughput.exe" \
  "$url" "Z:${out//\//\\}\\dialog.bin" "$rounds" "$size"
rates=()
for round in $(seq "$rounds"); do
  rm -f "$out/curl.bin"
  rate=$(curl -s -o "$out/curl.bin" -w '%{speed_download}' "$url")
  rates+=("$(awk -v r="$rate" 'BEGIN { printf "%.1f", r / 1e6 }')")
  echo "curl round $round: ${rates[-1]} MB/s"
done
printf '%s\n' "${rates[@]}" | sort -n | awk '{ r[NR] = $1 } END {
  printf "curl: best %.1f MB/s, median %.1f MB/s\n", r[NR], r[int((NR + 1) / 2)] }'
