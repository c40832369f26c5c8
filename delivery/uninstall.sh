#!/bin/sh
# Removes velotra of the current user: the menu entry and the program folder,
# except velotra.ini (settings and stored credentials) and log/ (the daily
# send logs). With --all those go too.
#   uninstall.sh [--all]
set -eu

all=0
case "${1:-}" in
  "") ;;
  --all) all=1 ;;
  *) echo "usage: uninstall.sh [--all]" >&2; exit 2 ;;
esac

data=${XDG_DATA_HOME:-$HOME/.local/share}
dest=$data/velotra
apps=$data/applications

rm -f "$apps/velotra.desktop"
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$apps" >/dev/null 2>&1 || true

[ -d "$dest" ] || exit 0
if [ "$all" = 1 ]; then
  rm -rf "$dest"
  echo "velotra removed"
  exit 0
fi
for f in "$dest"/* "$dest"/.[!.]* "$dest"/..?*; do
  [ -e "$f" ] || [ -L "$f" ] || continue
  case "$(basename "$f")" in
    velotra.ini|log) ;;
    *) rm -rf "$f" ;;
  esac
done
rmdir "$dest" 2>/dev/null || echo "velotra removed; velotra.ini and log/ stay in $dest"
