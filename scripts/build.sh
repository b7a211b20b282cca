#!/usr/bin/env bash
# build.sh [release|asan]: configures and builds into build/ or build-asan/.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
kind="${1:-release}"
jobs="$(nproc)"
case "$kind" in
  release) dir="$here/build"; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_SANITIZE=OFF) ;;
  asan)    dir="$here/build-asan"; flags=(-DCMAKE_BUILD_TYPE=Debug -DZV_SANITIZE=ON -DZV_FUZZ=ON
                                          -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: build.sh [release|asan]" >&2; exit 2 ;;
esac
cmake -S "$here" -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
