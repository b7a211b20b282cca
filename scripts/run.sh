#!/usr/bin/env bash
# Installs what is missing, builds the program and its set-up tool (not the
# tests and benchmarks: scripts/test.sh builds those), lays out the program
# folder from dist/ when it does not exist yet, and starts the program on it.
# run.sh [PROGRAM_FOLDER]  (default: $XDG_DATA_HOME/zarvium or ~/.local/share/zarvium)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-${XDG_DATA_HOME:-$HOME/.local/share}/zarvium}"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" release zarvium zarvium-setup
if [ ! -e "$folder" ]; then
  mkdir -p "$(dirname "$folder")"
  "$here/build/zarvium-setup" "$here/dist" "$folder"
fi
exec "$here/build/zarvium" "$folder"
