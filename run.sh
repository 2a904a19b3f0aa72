#!/usr/bin/env bash
# Installs what is missing, builds KRDL and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target KRDL -j"$(nproc)"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "KRDL is built (build/bin/KRDL) but this machine has no display to show its window."
  echo "Start it on a desktop, or under a virtual display: xvfb-run -a build/bin/KRDL"
  exit 1
fi
exec build/bin/KRDL
