#!/usr/bin/env bash
# The help file is a real CHM holding every topic of help/, its table of contents and its index,
# and no topic, contents entry or link points at a page the file does not hold.
#   test_helpfile.sh <Help.Chm> <help source folder>
set -uo pipefail
chm=$1
sources=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$chm" ] || { echo "FAIL: $chm is missing"; exit 1; }
[ "$(head -c 4 "$chm")" = "ITSF" ] || fail "no ITSF signature: not a compiled HTML help file"

listing=$(chmls list "$chm" 2>/dev/null | awk '{print $NF}' | grep '^/')
has() { grep -qxF "/$1" <<<"$listing"; }

for system in '#SYSTEM' '#TOPICS' '#URLSTR' '$WWKeywordLinks/BTree'; do
  has "$system" || fail "the file lacks its $system part"
done

topics=0
for page in "$sources"/*.html; do
  name=$(basename "$page")
  topics=$((topics + 1))
  has "$name" || fail "topic $name is not in the file"
  # What the file holds is the source, byte for byte.
  out=$(mktemp)
  if chmls extract "$chm" "/$name" "$out" >/dev/null 2>&1 && [ -s "$out" ]; then
    cmp -s "$out" "$page" || fail "topic $name differs from its source"
  else
    fail "topic $name cannot be read back"
  fi
  rm -f "$out"
  grep -q '<title>[^<]\+</title>' "$page" || fail "topic $name has no title"
  # Every link to another page leads to a page the file holds.
  for target in $(grep -o 'href="[^"#:]*"' "$page" | sed 's/^href="//; s/"$//'); do
    has "$target" || fail "$name links to $target, which the file does not hold"
  done
done
[ "$topics" -ge 8 ] || fail "only $topics topics; a user's manual has at least eight"

for part in toc.hhc index.hhk; do
  has "$part" || { fail "the file lacks $part"; continue; }
  for target in $(grep -o 'name="Local" value="[^"]*"' "$sources/$part" | sed 's/.*value="//; s/"$//' | sort -u); do
    # A place inside a page (page.html#part) is held when its page is.
    has "${target%%#*}" || fail "$part names $target, which the file does not hold"
  done
done
# Every topic can be reached from the contents.
for page in "$sources"/*.html; do
  name=$(basename "$page")
  grep -q "value=\"$name\"" "$sources/toc.hhc" || fail "topic $name is not in the table of contents"
done
entries=$(grep -c 'type="text/sitemap"' "$sources/index.hhk")
[ "$entries" -ge 40 ] || fail "the index has only $entries entries"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "help file: $topics topics, $entries index entries, contents and links complete"
