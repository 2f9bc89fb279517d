#!/usr/bin/env bash
# The release artefacts as a user meets them: scripts/package makes them; the
# Debian package passes lintian, installs with apt, runs from /usr/bin on a
# virtual display with its settings in the user's ~/.config, brings the
# keyboard service installed but not enabled, and leaves nothing behind once
# purged; the Windows zip, unzipped, runs under Wine and keeps set.ini beside
# the .exe. Needs root (or sudo) for apt.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build}"
dist="$root/dist"
package=zorvane-change-hotkey
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"

failures=0
check() {  # check <what> <command…>
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what" >&2
    failures=$((failures + 1))
  fi
}
wait_for() {  # wait_for <seconds> <command…>
  local until=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < until)) || return 1
    sleep 0.2
  done
}

"$root/scripts/package"
deb=("$dist"/${package}_*_amd64.deb)
zip=("$dist"/${package}-*-windows-x64.zip)
check "one .deb, one .zip and their sums" test -f "${deb[0]}" -a -f "${zip[0]}" -a -f "$dist/SHA256SUMS"
check "the sums hold" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"
version="$(dpkg-deb -f "${deb[0]}" Version)"

echo "== lintian"
check "lintian finds no error and no warning" lintian --fail-on error,warning "${deb[0]}"

echo "== installed from the .deb"
$sudo apt-get install -y -qq --reinstall "${deb[0]}" >/dev/null
mapfile -t files < <(dpkg -L "$package" | while read -r f; do [[ -d "$f" ]] || echo "$f"; done)
check "the desktop file is valid" desktop-file-validate /usr/share/applications/$package.desktop
check "the AppStream metadata is valid" appstreamcli validate --no-net /usr/share/metainfo/com.zorvane.changehotkey.metainfo.xml
check "--version names the package's version" bash -c "[[ \"\$(/usr/bin/$package --version)\" == '$package $version' ]]"
check "the manual page opens" bash -c "man -l /usr/share/man/man1/$package.1.gz >/dev/null 2>&1"

# The keyboard service comes installed, hardened, and off until enabled.
service=zorvane-keyboard-service
unit=/lib/systemd/system/$service.service
check "the service's program, unit and udev rule are installed" \
  test -x /usr/libexec/$service -a -f $unit -a -f /lib/udev/rules.d/60-$service.rules
check "the service's --version names the package's version" \
  bash -c "[[ \"\$(/usr/libexec/$service --version)\" == '$service $version' ]]"
not_enabled=(bash -c "! compgen -G '/etc/systemd/system/*.wants/$service.service' >/dev/null")
check "the service is not enabled" "${not_enabled[@]}"
check "systemd-analyze rates its unit safe (exposure at most 1.0)" \
  systemd-analyze security --offline=true --threshold=10 --no-pager $unit
# Enabled as a user would, so that the purge has an enabling to take away.
$sudo systemctl enable $service.service >/dev/null 2>&1 ||
  { $sudo mkdir -p /etc/systemd/system/multi-user.target.wants && $sudo ln -sf $unit /etc/systemd/system/multi-user.target.wants/; }

# A user of the machine, whose settings go to their own ~/.config.
home="$(mktemp -d)"
as_user=()
if [[ $(id -u) -eq 0 ]]; then
  id zorvane-user >/dev/null 2>&1 || useradd --no-create-home --shell /usr/sbin/nologin zorvane-user
  chown zorvane-user "$home"
  # setpriv runs the program in its own process, so that a signal reaches it.
  as_user=(setpriv --reuid=zorvane-user --regid=zorvane-user --init-groups)
fi
eval "$("$root/scripts/virtual-display")"
export DISPLAY
"${as_user[@]}" env -u XDG_CONFIG_HOME HOME="$home" /usr/bin/$package >"$home/program.log" 2>&1 &
program=$!
check "the installed program shows its window" \
  wait_for 20 xdotool search --onlyvisible --classname "^$package\$"
mkdir -p "$build/screenshots"
import -window root "$build/screenshots/installed-package.png" 2>/dev/null || true
kill -TERM "$program"
check "it ends when asked to" wait_for 10 bash -c "! kill -0 $program"
check "set.ini is in the user's ~/.config" test -s "$home/.config/$package/set.ini"
check "nothing was written beside the program" test ! -e /usr/bin/set.ini
kill $PIDS 2>/dev/null || true
wait 2>/dev/null || true
rm -rf "$home"

$sudo apt-get remove --purge -y -qq "$package" >/dev/null
left=()
for f in "${files[@]}"; do [[ ! -e "$f" ]] || left+=("$f"); done
check "nothing of the package is left (/usr, /lib)" test ${#left[@]} -eq 0
[[ ${#left[@]} -eq 0 ]] || printf '  left: %s\n' "${left[@]}" >&2
check "its folders are gone too" test ! -e /usr/share/doc/$package
check "the purge took the service's enabling away" "${not_enabled[@]}"

echo "== the Windows zip under Wine"
unzipped="$(mktemp -d)"
unzip -q "${zip[0]}" -d "$unzipped"
folder="$(echo "$unzipped"/${package}-*-windows-x64)"
check "the zip holds the .exe, the README and the licence" \
  test -f "$folder/$package.exe" -a -f "$folder/README.txt" -a -f "$folder/LICENSE.txt"
readme_says() { tr -d '\r' <"$folder/README.txt" | tr '\n' ' ' | grep -q "$1"; }
check "its README says the cross ends the program" readme_says "the cross ends the program"
run_in_wine() {
  cd "$folder"
  wine "$folder/$package.exe" >/dev/null 2>&1 &
  # Wine names its windows' class after the program's file.
  wait_for 60 xdotool search --onlyvisible --classname "^$package.exe\$" || { echo "no window" >&2; return 1; }
  import -window root "$build/screenshots/unzipped-windows.png" 2>/dev/null || true
  # A logout: the program keeps its slots as the session ends.
  wine wineboot --end-session >/dev/null 2>&1
  wait_for 20 test -s "$folder/set.ini" || true
}
check "the unzipped .exe shows its window under Wine" \
  "$root/scripts/with-display" "$root/scripts/with-wine" "${BUILD_DIR:-$root/build}-windows/wine-prefix" \
  bash -c "$(declare -f wait_for run_in_wine); folder='$folder' package='$package' build='$build' run_in_wine"
check "set.ini is beside the .exe once the session ended" test -s "$folder/set.ini"
rm -rf "$unzipped"

echo
if ((failures > 0)); then
  echo "package tests: $failures failed" >&2
  exit 1
fi
echo "package tests: all passed"
