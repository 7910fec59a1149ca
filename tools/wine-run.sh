#!/usr/bin/env bash
# Runs one Windows program under Wine in the checkout's prefix; CTest uses it as
# the cross-compiling emulator. Exit code is the program's.
. "$(dirname "$0")/wine-env.sh"
exec wine "$@"
