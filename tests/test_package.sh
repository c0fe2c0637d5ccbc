#!/usr/bin/env bash
# The portable package: installed the way the demo installs it, into a fresh folder of the test
# prefix, it holds exactly the zip's files and everything a user needs; started from there it
# lists the catalogue and writes its Config.ini and language file beside itself.
#   test_package.sh <package.zip> <repository>
set -uo pipefail
package=$1
top=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ -n "${WINEPREFIX:-}" ] || { echo "FAIL: no test prefix (run through scripts/test.sh)"; exit 1; }
[ -f "$package" ] || { echo "FAIL: $package is missing"; exit 1; }

version=$(sed -n 's/^project(Purgeon VERSION \([0-9.]*\) .*/\1/p' "$top/CMakeLists.txt")
[ "$(basename "$package")" = "Purgeon-$version-win64.zip" ] || fail "the package is not named for version $version"

folder="$WINEPREFIX/drive_c/Portable Purgeon $$"
rm -rf "$folder"
trap 'rm -rf "$folder"' EXIT
bash "$top/scripts/install-package.sh" "$package" "$folder" || { echo "FAIL: the package cannot be installed"; exit 1; }

# Exactly what the zip holds: the demo installs the program as users get it.
diff <(cmake -E tar tf "$package" | sed 's|/$||' | while read -r entry; do [ -d "$folder/$entry" ] || echo "$entry"; done | sort) \
     <(cd "$folder" && find . -type f | sed 's|^\./||' | sort) >/dev/null \
  || fail "the installed folder differs from the package's file list"
for needed in Purgeon.exe Doffkit.dll Langs/Help.Chm Langs/Deutsch.ini Langs/Chinese.ini Langs/French.ini \
              Langs/Russian.ini Skins/Default.ini Skins/Dark.ini Skins/Title.png Skins/img_Main.png \
              Skins/Dark/img_Main.png ReadMe.txt License.txt ThirdParty.txt; do
  [ -s "$folder/$needed" ] || fail "the package lacks $needed"
done
[ -e "$folder/Config.ini" ] && fail "the package must not carry a Config.ini"
grep -q "Purgeon $version" "$folder/ReadMe.txt" || fail "the read-me does not name the version"
grep -q "PNG Reference Library" "$folder/ThirdParty.txt" || fail "libpng's notice is missing"
grep -qi "zlib" "$folder/ThirdParty.txt" || fail "zlib's notice is missing"

# A command-line mode from the package folder, through the component beside it.
listing=$(cd "$folder" && wine Purgeon.exe /list 2>/dev/null)
status=$?
[ "$status" -eq 0 ] || fail "/list from the package ended with $status: $listing"

# The window, started from there, writes its configuration beside itself.
(cd "$folder" && exec wine Purgeon.exe >/dev/null 2>&1 </dev/null) &
program=$!
for _ in $(seq 300); do
  [ -f "$folder/Config.ini" ] && [ -f "$folder/Langs/English.ini" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
if [ -f "$folder/Config.ini" ]; then
  config=$(tr -d '\r' <"$folder/Config.ini")
  grep -qx 'SkinFile=Default.ini' <<<"$config" || fail "Config.ini does not name the Default skin: $config"
  grep -qx 'LanguageFile=English.ini' <<<"$config" || fail "Config.ini does not name English: $config"
else
  fail "no Config.ini was written beside Purgeon.exe"
fi
[ -f "$folder/Langs/English.ini" ] || fail "no English.ini was written into Langs\\"
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Purgeon$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
[ -n "$window" ] || fail "the main window did not appear"
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "package: $(cmake -E tar tf "$package" | wc -l) files; runs from $folder"
