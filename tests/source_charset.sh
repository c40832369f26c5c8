#!/usr/bin/env bash
# Fails when a source file holds a character that GBK cannot encode, since the
# compiler would then emit a four-byte GB18030 sequence into a GBK text.
set -u
cd "$1"
bad=0
while IFS= read -r f; do
  if ! iconv -f UTF-8 -t CP936 "$f" >/dev/null 2>&1; then
    echo "not GBK-encodable: $f"
    bad=1
  fi
done < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
exit $bad
