#!/usr/bin/env bash
# Installs the Debian 12 packages Quillbook needs to build, test and run, when any is missing.
# scdoc makes the manual pages; dpkg-dev and file let cpack find the package's dependencies; then
# the validators the package test runs; poppler-utils and cmark read exported PDF and Markdown back;
# manpages-zh is real Chinese text for the export and import round trips; the sqlite3 shell opens
# encrypted notebooks in the tests as another program would; lighttpd with its WebDAV module is the
# real server the sync tests start on a loopback port of their own.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools
  libsqlite3-dev libsqlitecpp-dev
  libicu-dev libsodium-dev libopencc-dev
  mdbtools-dev libglib2.0-dev
  fonts-noto-cjk xvfb xauth
  scdoc
  dpkg-dev file
  lintian desktop-file-utils appstream man-db libxml2-utils
  poppler-utils cmark manpages-zh
  qt6-translations-l10n
  openbox trayer xdotool
  sqlite3
  lighttpd lighttpd-mod-webdav
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
# The package starts a system-wide server on port 80; the tests start their own, so it goes.
if [[ " ${missing[*]} " == *" lighttpd "* ]]; then
  $sudo systemctl disable --now lighttpd 2>/dev/null || $sudo service lighttpd stop 2>/dev/null || true
fi
