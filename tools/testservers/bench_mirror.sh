# Sourced by the bench_*.sh scripts with a Windows build directory: starts fresh loopback mirrors of their own
# until the script ends; `run_exe NAME ARGS...` runs one of the build's benchmarks (tests/net/NAME) against
# them through Wine (TAMARI_WINE_RUN names another launcher than tools/wine-run.sh). Run the scripts inside a
# Wine session (tools/wine-session.sh).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "$1" && pwd)
state=$build/bench-mirror-$(basename "$0" .sh)
servers() { /usr/bin/python3 "$top/tools/testservers/mirror_servers.py" "$1" --state "$state" "${@:2}"; }
servers start --time-limit 900 >/dev/null
trap 'servers stop' EXIT
run_exe() (TAMARI_MIRROR_STATE="Z:$state" "${TAMARI_WINE_RUN:-$top/tools/wine-run.sh}" "$build/tests/net/$1" "${@:2}")
