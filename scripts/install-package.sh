#!/usr/bin/env bash
# Installs the portable package into a folder, as a user unpacks it: every file the zip holds, and
# nothing else, replaces what is there; the folder's own data (Config.ini, Back up\) stays.
#   install-package.sh <package.zip> <folder>
set -euo pipefail
package=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
folder=$2
[ -f "$package" ] || { echo "install-package: $package is missing" >&2; exit 1; }
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$package")
mkdir -p "$folder"
# What the package holds replaces the folder's copy whole, so nothing an older package left in
# Langs\ or Skins\ lingers.
for item in "$unpacked"/*; do rm -rf "$folder/$(basename "$item")"; done
cp -R "$unpacked"/. "$folder"/
