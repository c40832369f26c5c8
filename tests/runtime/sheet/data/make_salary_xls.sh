#!/usr/bin/env bash
# Makes salary.xls beside this script: salary_source.c writes the workbook
# as .xlsx, an office program installed on the machine (soffice) recalculates
# it and saves it as .xls, cached formula results and formats included. The
# profile asks for the recalculation on load: without it the program keeps
# the .xlsx's cached results and writes a text result as the number 0.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -o "$work/source" "$here/salary_source.c" $(pkg-config --cflags --libs xlsxwriter)
(cd "$work" && ./source salary.xlsx)
mkdir -p "$work/profile/user"
cat >"$work/profile/user/registrymodifications.xcu" <<'XCU'
<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema"
  xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
XCU
soffice --headless --norestore "-env:UserInstallation=file://$work/profile" \
  --convert-to xls:"MS Excel 97" --outdir "$work" "$work/salary.xlsx" >/dev/null
cp "$work/salary.xls" "$here/salary.xls"
