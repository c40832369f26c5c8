#!/usr/bin/env bash
# Makes formats.xls and formats_office.xlsx beside this script:
# formats_source.c writes the workbook with libxlsxwriter, an office program
# installed on the machine (soffice) saves it as .xls and as .xlsx of its own.
# formats_shown.csv is what that program shows for each cell ("as shown"
# text export), the source of the expected texts in the tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -o "$work/source" "$here/formats_source.c" $(pkg-config --cflags --libs xlsxwriter)
(cd "$work" && ./source formats.xlsx && mkdir out)
office() { soffice --headless --norestore "-env:UserInstallation=file://$work/profile" "$@" >/dev/null; }
office --convert-to xls:"MS Excel 97" --outdir "$work/out" "$work/formats.xlsx"
office --convert-to xlsx:"Calc MS Excel 2007 XML" --outdir "$work/out" "$work/formats.xlsx"
office --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true' --outdir "$work/out" "$work/formats.xlsx"
cp "$work/out/formats.xls" "$here/formats.xls"
cp "$work/out/formats.xlsx" "$here/formats_office.xlsx"
cp "$work/out/formats.csv" "$here/formats_shown.csv"
