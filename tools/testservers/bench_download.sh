#!/usr/bin/env bash
# Downloads one 100 MB file from a fresh loopback HTTP mirror ROUNDS times through
# dialog 106 (bench/download_throughput) and as often with curl, into the same directory:
#   tools/testservers/bench_download.sh BUILD_DIR [ROUNDS]
. "$(dirname "$0")/bench_mirror.sh" "$1"
rounds=${2:-3}
size=100000000
out=$(mktemp -d /tmp/tamari3-download-bench.XXXXXX)
trap 'servers stop; rm -rf "$out"' EXIT
mkdir -p "$state/root/http/bench"
head -c "$size" /dev/urandom >"$state/root/http/bench/big.bin"
url="http://$(awk '$1 == "http" { print $2 }' "$state/servers")/bench/big.bin"
run_exe download_throughput.exe "$url" "Z:${out//\//\\}\\dialog.bin" "$rounds" "$size"
rates=()
for round in $(seq "$rounds"); do
  rm -f "$out/curl.bin"
  rates+=("$(curl -s -o "$out/curl.bin" -w '%{speed_download}' "$url" | awk '{ printf "%.1f", $1 / 1e6 }')")
  echo "curl round $round: ${rates[-1]} MB/s"
done
printf '%s\n' "${rates[@]}" | sort -n | awk '{ r[NR] = $1 } END {
  printf "curl: best %.1f MB/s, median %.1f MB/s\n", r[NR], r[int((NR + 1) / 2)] }'
