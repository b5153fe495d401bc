#!/bin/sh
# Installs the Debian packages of the named groups (setup/packages.txt) that
# are missing. Only when something is missing does it run apt-get; when not
# root it prints the exact command and stops.
set -eu
here=$(dirname "$0")
wanted=""
for group in "$@"; do
  line=$(grep "^$group:" "$here/packages.txt" | cut -d: -f2-)
  wanted="$wanted $line"
done
missing=""
for p in $wanted; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
command="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y$missing"
if [ "$(id -u)" != 0 ]; then
  echo "Pelmora needs these packages:$missing"
  echo "Run as root: $command"
  exit 1
fi
echo "Installing:$missing"
sh -c "$command"
