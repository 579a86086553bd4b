#!/bin/sh
# Installs every Debian package that the build, the program and the tests need.
# Quick when all of them are present.
set -eu
# Installs go without recommended packages, so Wine's own fonts (fonts-wine) are named, and
# a CJK font for pages in those languages; openbox manages the windows of the tests that
# run on a virtual display.
packages="g++ cmake ninja-build pkg-config
  wine wine64 wine64-tools libwine-dev
  libcurl4-openssl-dev libssl-dev libicu-dev
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  libgtest-dev libgmock-dev xvfb xauth openbox
  fonts-wine fonts-wqy-microhei
  python3 tinyproxy-bin microsocks python3-pyftpdlib nginx-light
  g++-mingw-w64-x86-64-win32 wixl"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
