#!/usr/bin/env bash
# Builds the portable package build/Purgeon-<version>-win64.zip: Purgeon.exe, Doffkit.dll, Langs\
# with the translations and Help.Chm, Skins\ with both skins, a read-me and the licence texts.
# Unpack it anywhere on Windows and start Purgeon.exe.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh"
cmake --build "$top/build" --target purgeon_package
package=$(ls "$top"/build/Purgeon-*-win64.zip | head -n1)
echo "Package: $package"
