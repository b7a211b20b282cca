#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
# The code follows .clang-format; a file that does not fails the run before the build.
(cd "$here" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror)
"$here/scripts/build.sh" asan
# The end-to-end print test prints through a CUPS queue that writes PDF files.
"$here/scripts/cups-pdf-queue.sh"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
# The sanitizers' options are built into every program (src/sanitizer_defaults.cpp).
cd "$here/build-asan"
ctest --output-on-failure -j "$(nproc)" --timeout 600
