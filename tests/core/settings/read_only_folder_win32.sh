#!/usr/bin/env bash
# Runs the settings tests that need a program folder Windows cannot write in
# (Program Files as a user sees it): a read-only bind mount, which Wine shows
# as a folder that refuses new files. Needs root for the mount; skipped
# (exit 77) without it.
# Usage: read_only_folder_win32.sh <unit_tests.exe>
set -euo pipefail
exe="$1"
[[ $(id -u) -eq 0 ]] || { echo "SKIP: a read-only bind mount needs root"; exit 77; }
work="$(mktemp -d)"
cleanup() {
  umount "$work/ro" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/files" "$work/ro"
printf '[Zorvane]\r\nZorvane1Key=74\r\nZorvane1Modifiers=3\r\n' >"$work/files/set.ini"
mount --bind "$work/files" "$work/ro"
mount -o remount,bind,ro "$work/ro"
ZORVANE_READ_ONLY_FOLDER="Z:${work//\//\\}\\ro" wine "$exe" --gtest_filter='ReadOnlyProgramFolder.*'
# The file beside the program is as it was.
cmp -s "$work/files/set.ini" <(printf '[Zorvane]\r\nZorvane1Key=74\r\nZorvane1Modifiers=3\r\n')
