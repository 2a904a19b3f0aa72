#!/usr/bin/env bash
# Makes what a CAD team installs, from the Windows lane's cross build (./test-windows.sh):
#
#   ./package-windows.sh [BUILD]        (BUILD: build-windows/full)
#
# In BUILD/package: the portable folder KRDL-<version>-win64/, the same as KRDL-<version>-win64.zip,
# and the setup program KRDL-<version>-setup.exe (NSIS). The folder holds the three programs,
# KRDL.ini, the sample propseed.txt, and the DLLs they load: those named in their import tables,
# found among Qt's and the MinGW runtime's DLLs, and theirs in turn, plus the plugins Qt loads at
# run time (the windows platform and the windowsvista style), which no import table names.
set -euo pipefail
cd "$(dirname "$0")"
build=${1:-build-windows/full}
bin=$build/bin
qt=$(sed -n 's/^Qt6_DIR:PATH=\(.*\)\/lib\/cmake\/Qt6$/\1/p' "$build/CMakeCache.txt")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
if [[ -z "$qt" || -z "$version" ]]; then
  echo "package-windows.sh: $build is not a cross build with Qt (run ./test-windows.sh first)" >&2
  exit 1
fi
search=("$qt/bin")
for dll in libstdc++-6.dll libwinpthread-1.dll; do
  search+=("$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")")
done
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)

name=KRDL-$version-win64
out=$build/package
portable=$out/$name
rm -rf "$out" && mkdir -p "$portable"
cp "$bin/KRDL.exe" "$bin/docprops.exe" "$bin/krdl-batch.exe" resources/KRDL.ini resources/propseed.txt "$portable/"
for p in "${plugins[@]}"; do
  mkdir -p "$portable/$(dirname "$p")"
  cp "$qt/plugins/$p" "$portable/$p"
done

# The DLLs each module imports, found in the search folders; the system's own DLLs are not there.
declare -A shipped=()
pending=("$portable"/*.exe "${plugins[@]/#/$portable/}")
while ((${#pending[@]})); do
  module=${pending[0]}
  pending=("${pending[@]:1}")
  while read -r dll; do
    key=${dll,,}
    [[ -n "${shipped[$key]:-}" ]] && continue
    for dir in "${search[@]}"; do
      found=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit)
      if [[ -n "$found" ]]; then
        shipped[$key]=1
        cp "$found" "$portable/"
        pending+=("$portable/$(basename "$found")")
        break
      fi
    done
    if [[ -z "${shipped[$key]:-}" && "$key" =~ ^(qt6|lib) ]]; then
      echo "package-windows.sh: $module needs $dll, which is not in ${search[*]}" >&2
      exit 1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$module" | sed -n 's/^\s*DLL Name: //p')
done
x86_64-w64-mingw32-strip --strip-unneeded "$portable"/*.exe "$portable"/*.dll "$portable"/*/*.dll

rm -f "$out/$name.zip"
(cd "$out" && zip -qrX "$name.zip" "$name")

# The setup program installs exactly the portable folder's files, and its uninstaller removes
# exactly those (deepest folders last); KRDL.ini and propseed.txt a team has adapted are kept
# when a newer version is installed over an older one.
files=$out/nsis
mkdir -p "$files"
{
  (cd "$portable" && find . -type d ! -name . | sort) | while read -r d; do
    echo "CreateDirectory \"\$INSTDIR\\${d#./}\""
  done
  (cd "$portable" && find . -type f | sort) | while read -r f; do
    rel=${f#./}
    win=${rel//\//\\}
    case "$rel" in
      KRDL.ini|propseed.txt) echo "SetOverwrite off" ;;
    esac
    echo "File \"/oname=$win\" \"$(cd "$portable" && pwd)/$rel\""
    case "$rel" in
      KRDL.ini|propseed.txt) echo "SetOverwrite on" ;;
    esac
  done
} >"$files/install-files.nsh"
{
  (cd "$portable" && find . -type f | sort) | while read -r f; do
    rel=${f#./}
    echo "Delete \"\$INSTDIR\\${rel//\//\\}\""
  done
  (cd "$portable" && find . -type d ! -name . | sort -r) | while read -r d; do
    echo "RMDir \"\$INSTDIR\\${d#./}\""
  done
} >"$files/uninstall-files.nsh"
title=$(sed -n 's/^KRDL_APPLICATION_TITLE:INTERNAL=//p' "$build/CMakeCache.txt")
makensis -V2 -DPRODUCT="$title" -DPORTABLE="$(cd "$portable" && pwd)" -DFILES="$(cd "$files" && pwd)" \
  -DOUTFILE="$(cd "$out" && pwd)/KRDL-$version-setup.exe" "$PWD/resources/KRDL.nsi"
echo "package-windows.sh: $out/$name/ ($(ls "$portable" | wc -l) entries), $out/$name.zip," \
     "$out/KRDL-$version-setup.exe"
