#!/usr/bin/env bash
# tamari3.exe in a directory nobody may write to (immutable even for root):
# the settings and the log cannot be written, and the program still runs to its
# end with exit code 0, writing nothing anywhere near it.
# Usage: readonly_dir_test.sh <tamari3.exe> <wine-run.sh>
set -u
exe=$1
wine_run=$2
dir=$(mktemp -d "${TMPDIR:-/tmp}/tamari3-readonly.XXXXXX")
cleanup() { chattr -i "$dir" 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT

cp "$exe" "$dir/tamari3.exe"
if ! chattr +i "$dir" 2>/dev/null; then
  echo "SKIP: this file system cannot make a directory immutable"
  exit 77
fi
if touch "$dir/probe" 2>/dev/null; then
  echo "FAIL: expected the directory to refuse new files"
  exit 1
fi

(cd "$dir" && timeout 120 "$wine_run" tamari3.exe)
status=$?
fail=0
if [ "$status" -ne 0 ]; then
  echo "FAIL: expected exit code 0, got $status"
  fail=1
fi
for f in tamari3.ini tamari3.log; do
  if [ -e "$dir/$f" ]; then
    echo "FAIL: expected no $f in the read-only directory"
    fail=1
  fi
done
[ $fail -eq 0 ] && echo "PASS: ran to its end with exit code 0 and wrote nothing"
exit $fail
