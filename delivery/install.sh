#!/bin/sh
# Installs velotra for the current user, or updates an earlier install.
#
# The program folder goes to $XDG_DATA_HOME/velotra (~/.local/share/velotra
# by default). The client writes into that folder (velotra.ini, log/,
# update/, its poster), so it has to belong to the user. What the client
# wrote there is the user's: velotra.ini, log/ and update/ are never touched.
# A menu entry that starts the launcher goes to the user's applications
# folder.
set -eu

src=$(cd "$(dirname "$0")" && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}
dest=$data/velotra
apps=$data/applications

for f in velotra dorvane velotra.tb3 uninstall.sh; do
  [ -e "$src/$f" ] || { echo "install.sh: $src/$f is missing; unpack the whole package first" >&2; exit 1; }
done

# The programs link the distribution's libraries (Qt 6, libcurl, libxml2,
# minizip, zlib); say which are missing rather than fail at the first start.
if command -v ldd >/dev/null 2>&1; then
  missing=$(ldd "$src/velotra" "$src/dorvane" 2>/dev/null | awk '/not found/ {print $1}' | sort -u)
  if [ -n "$missing" ]; then
    echo "install.sh: these libraries are not installed: $(echo $missing)" >&2
    echo "install.sh: on Debian: apt-get install libqt6widgets6 libcurl4 libxml2 libminizip1 zlib1g" >&2
    exit 1
  fi
fi

mkdir -p "$dest" "$apps"

# Each file is copied beside its place and renamed over it, so a running
# client or launcher keeps its old file and never sees half a new one.
put() { # put SOURCE TARGET MODE
  cp "$1" "$2.new.$$"
  chmod "$3" "$2.new.$$"
  mv -f "$2.new.$$" "$2"
}
put "$src/velotra" "$dest/velotra" 755
put "$src/dorvane" "$dest/dorvane" 755
put "$src/velotra.tb3" "$dest/velotra.tb3" 644
put "$src/uninstall.sh" "$dest/uninstall.sh" 755
mkdir -p "$dest/res"
for f in "$src"/res/*; do
  [ -f "$f" ] && put "$f" "$dest/res/$(basename "$f")" 644
done

# Desktop entry values: "\" is written "\\"; inside Exec's quoted argument
# '"', '`', '$' and '\' take a backslash first, and '%' is doubled.
entry_string() { printf '%s' "$1" | sed 's/\\/\\\\/g'; }
exec_arg() { printf '%s' "$1" | sed -e 's/\\/\\\\/g' -e 's/["`$]/\\&/g' -e 's/%/%%/g' -e 's/\\/\\\\/g'; }

desktop=$apps/velotra.desktop
cat >"$desktop.new.$$" <<ENTRY
[Desktop Entry]
Type=Application
Version=1.0
Name=澄渊达通讯平台
Comment=短信群发客户端
Exec="$(exec_arg "$dest/dorvane")"
Path=$(entry_string "$dest")
Icon=$(entry_string "$dest/res/velotra.png")
Terminal=false
Categories=Office;
ENTRY
mv -f "$desktop.new.$$" "$desktop"
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$apps" >/dev/null 2>&1 || true

echo "velotra installed in $dest"
