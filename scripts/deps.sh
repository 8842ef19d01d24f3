#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks. Runs as root (or through sudo when available).
set -euo pipefail

native=(g++ cmake make python3 libgtest-dev googletest libbenchmark-dev)
windows=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 wine64 fonts-wine xvfb)
# Only for taking the README's screenshot.
screenshot=(x11-utils xdotool imagemagick)

want=("${native[@]}")
case "${1:-}" in
  --native-only) ;;
  --screenshot) want+=("${windows[@]}" "${screenshot[@]}") ;;
  *) want+=("${windows[@]}") ;;
esac

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"
}

apt_install() {
  echo "Installing: $*"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  if printf '%s\n' "$@" | grep -q ':i386'; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails the update now and then; it passes a little
  # later, and the install may still find what it needs in the older lists.
  for try in 1 2 3; do
    $SUDO apt-get update -qq && break
    if [ "$try" -lt 3 ]; then sleep 20; else echo "apt-get update failed; installing from the lists at hand" >&2; fi
  done
  if ! $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null; then
    # When the security lists failed to update, a library's 32-bit build can
    # lag its 64-bit one, and the two must match; the release itself has both
    # at one version.
    . /etc/os-release
    $SUDO apt-get install -y -qq --no-install-recommends -t "$VERSION_CODENAME" "$@" >/dev/null
  fi
}

install_missing "${want[@]}"
# The kernel's answer to the 32-bit loader is known only once it is installed.
if [ "${1:-}" != --native-only ]; then
  source "$(dirname "$0")/wine-env.sh"
  mq_kernel_runs_32bit || install_missing g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
fi
