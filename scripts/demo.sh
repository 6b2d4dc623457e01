#!/usr/bin/env bash
# The program's main job on a machine without a pen: builds what is needed and
# runs the console read-out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target stylorix >/dev/null
build/linux/app/stylorix /? || true
