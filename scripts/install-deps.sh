#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing KRDL need.
# Skips apt-get when everything is already there. Run as root. With --windows, also what the
# Windows lane (./test-windows.sh) needs: the MinGW-w64 cross compiler, Qt's host tools for the
# cross build (moc, rcc, uic), Wine, NSIS and zip for the packages, and xwininfo to find windows
# on the virtual display.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  clang-tidy   # scripts/check-naming.sh
  xvfb xauth fonts-dejavu-core fonts-liberation2 poppler-utils
  x11-utils   # xwininfo: the captions test reads the window names the X server shows
  python3 python3-olefile libgsf-bin
  gir1.2-gsf-1 python3-gi strace   # the benchmarks: libgsf writes their documents, strace counts
  desktop-file-utils shared-mime-info libglib2.0-bin
  hunspell-sl hunspell-hr hunspell-cs hunspell-sk hunspell-pl hunspell-hu  # words the text tests read
)
if [[ "${1:-}" == "--windows" ]]; then
  packages+=(g++-mingw-w64-x86-64-posix qt6-base-dev-tools wine wine64 nsis zip unzip x11-utils ccache)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
