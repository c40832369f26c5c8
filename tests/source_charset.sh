#!/usr/bin/env bash
# Fails when a source file holds a character that GBK cannot encode, since the
# compiler would then emit a four-byte GB18030 sequence into a GBK text.
#
# The readers of outside input (the quiet half of runtime/, zip/, the answer
# rule and fuzz/) are also compiled by clang for the fuzz targets, without a
# GBK execution charset: outside comments they hold ASCII only.
set -u
cd "$1"
bad=0
while IFS= read -r f; do
  if ! iconv -f UTF-8 -t CP936 "$f" >/dev/null 2>&1; then
    echo "not GBK-encodable: $f"
    bad=1
  fi
done < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')

quiet=$(ls runtime/*.h runtime/*.cpp runtime/sheet/*.h runtime/sheet/*.cpp zip/*.h zip/*.cpp core/f_read_answer.* fuzz/*.h fuzz/*.cpp 2>/dev/null)
# Comments go, string and character literals stay; what remains must be ASCII.
literal=$(perl -0777 -ne '
  s{("(?:\\.|[^"\\\n])*"|'"'"'(?:\\.|[^'"'"'\\\n])*'"'"')|//[^\n]*|/\*.*?\*/}{defined $1 ? $1 : ""}gse;
  print "$ARGV\n" if /[^\x00-\x7F]/;' $quiet)
if [ -n "$literal" ]; then
  for f in $literal; do echo "non-ASCII outside comments in a file the fuzz build compiles: $f"; done
  bad=1
fi
exit $bad
