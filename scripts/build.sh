#!/usr/bin/env bash
# build.sh [release|asan] [TARGET...]: configures and builds into build/ or
# build-asan/: the targets named, or every target (tests and benchmarks too).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
kind="${1:-release}"
shift || true
jobs="$(nproc)"
case "$kind" in
  release) dir="$here/build"; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_SANITIZE=OFF) ;;
  # clang 16: the sanitizer runtime of clang 14 crashes in LeakSanitizer's
  # tracer with glibc 2.36's dynamic TLS at the exit of some test processes.
  asan)    dir="$here/build-asan"; flags=(-DCMAKE_BUILD_TYPE=Debug -DZV_SANITIZE=ON -DZV_FUZZ=ON
                                          -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16) ;;
  *) echo "usage: build.sh [release|asan] [TARGET...]" >&2; exit 2 ;;
esac
# A compiler cache, where there is one, makes a rebuild in another clone cheap.
if command -v ccache >/dev/null 2>&1; then
  flags+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$dir" "${flags[@]}" >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$dir" -j "$jobs" "${targets[@]}"
