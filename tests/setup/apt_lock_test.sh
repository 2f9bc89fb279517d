#!/usr/bin/env bash
# scripts/setup's apt-get waits while another package manager holds the
# package lists' lock, says what it waits for, and goes on once it is free.
# The lists are a folder of the test's own, so that nothing of the machine's
# apt is touched.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
t="$(mktemp -d)"
trap 'rm -rf "$t"' EXIT
mkdir -p "$t/lists/partial" "$t/cache/archives/partial" "$t/sources.list.d"
touch "$t/sources.list"
# apt's locks are fcntl locks: held here as another apt would hold them.
python3 -c '
import fcntl, sys, time
f = open(sys.argv[1], "a")
fcntl.lockf(f, fcntl.LOCK_EX)
print("held", flush=True)
time.sleep(3)
print("released", flush=True)' "$t/lists/lock" >"$t/holder" &
until grep -q held "$t/holder"; do sleep 0.1; done
APT_LOCK_WAIT=60 "$root/scripts/apt-get-waiting" -o Dir::State::Lists="$t/lists" -o Dir::Cache="$t/cache" \
  -o Dir::Etc::SourceList="$t/sources.list" -o Dir::Etc::SourceParts="$t/sources.list.d" -qq update 2>"$t/said" ||
  { cat "$t/said"; echo "FAIL: apt-get-waiting failed"; exit 1; }
grep -q "released" "$t/holder" || { echo "FAIL: it went on while the lock was held"; exit 1; }
grep -q "waiting up to 60 s for another package manager to finish: Could not get lock $t/lists/lock" "$t/said" ||
  { cat "$t/said"; echo "FAIL: it did not say what it waits for"; exit 1; }
echo "ok: apt-get waits for the lock, says so, and goes on"
