#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine on this display (or in
# a private virtual display when there is none). Installs what is missing.
#   play.sh --install    builds, then adds a menu entry with the game's icon for this user
#   play.sh --uninstall  removes that entry again
set -euo pipefail
cd "$(dirname "$0")/.."
export MQ_ROOT=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

data=${XDG_DATA_HOME:-$HOME/.local/share}
entry=$data/applications/marblequake.desktop
icon=$data/icons/hicolor/48x48/apps/marblequake.png
refresh_menu() {
  if command -v update-desktop-database >/dev/null; then update-desktop-database -q "$data/applications" || true; fi
}

case "${1:-}" in
  "" | --install) ;;
  --uninstall)
    rm -f "$entry" "$icon"
    refresh_menu
    echo "removed $entry and $icon"
    exit 0
    ;;
  *)
    echo "usage: bash scripts/play.sh [--install | --uninstall]" >&2
    exit 2
    ;;
esac

bash scripts/deps.sh
source scripts/wine-env.sh
cmake -S . -B "$MQ_WINDOWS_BUILD" -DCMAKE_TOOLCHAIN_FILE="$MQ_WINDOWS_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$MQ_WINDOWS_BUILD" -j"$jobs" --target marblequake

if [ "${1:-}" = --install ]; then
  # The entry runs this script, so the game is rebuilt after an update. A path
  # that the entry's Exec line would have to escape is refused, not mangled.
  script=$PWD/scripts/play.sh
  if [[ "$script" =~ [\"\`\$\\%] || "$script" == *$'\n'* ]]; then
    echo "cannot write a menu entry for a path holding \" \` \$ \\ or %: $script" >&2
    exit 1
  fi
  mkdir -p "$(dirname "$entry")" "$(dirname "$icon")"
  cp ui/resources/marblequake.png "$icon"
  cat >"$entry" <<END
[Desktop Entry]
Type=Application
Name=Marblequake
Comment=Tile-clearing puzzle (the Windows program, under Wine)
Exec=bash "$script"
Icon=$icon
Terminal=false
Categories=Game;LogicGame;
END
  refresh_menu
  echo "added $entry"
  exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
  echo "Built $MQ_WINDOWS_BUILD/ui/marblequake.exe, but there is no display to show it on (DISPLAY is unset)." >&2
  exit 1
fi
trap wine_env_stop EXIT
wine_env_start
# The settings file is written beside the exe, so the game resumes at the next start.
wine "$MQ_WINDOWS_BUILD/ui/marblequake.exe"
