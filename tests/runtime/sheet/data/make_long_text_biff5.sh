#!/usr/bin/env bash
# Makes long_text_biff5.xls beside this script: a spreadsheet program
# installed on the machine (ssconvert) writes a small sheet as an Excel 95
# workbook (BIFF5, code page 1252). Its second row holds a note of 3,080
# characters, longer than one record holds, so the program continues the
# text in CONTINUE records; the third row a text with a line break.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/long.csv" <<'PY'
import sys
note = "".join("Client%04d," % i for i in range(280))
with open(sys.argv[1], "w", encoding="utf-8") as f:
    f.write('Name,Note\nZhang,"%s"\nCaf\u00e9,"first\r\nsecond"\n' % note)
PY
ssconvert --export-type=Gnumeric_Excel:excel_biff7 "$work/long.csv" "$work/long.xls" >/dev/null 2>&1
cp "$work/long.xls" "$here/long_text_biff5.xls"
