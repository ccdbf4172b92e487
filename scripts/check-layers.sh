#!/usr/bin/env bash
# The layering of the code, checked: which folder's files may include which
# of our folders (the table below, as the README's Layout draws it), that
# the logic folders include no Qt header, and that the command-line program
# links no Qt library.
# Usage: check-layers.sh SOURCE_DIR [VORBRANT_CLI]
set -euo pipefail
src=$1
cli=${2:-}
status=0

# Folder -> what its files may include besides their own folder: a folder
# (its own files, not its subfolders) or one file. A ui/ subfolder may also
# include its parent folder and everything the parent may, and Qt. The
# adapter folders include from target/ only the interface they implement.
declare -A may=(
  [app]="session security security/ui image image/ui chain chain/ui about/ui target lpt gpio ftdi sim common"
  [cli]="session"
  [session]="security image chain target lpt gpio ftdi sim common"
  [security]="target common"
  [chain]="target common"
  [image]="common"
  [about]="common"
  [target]="lpt common"
  [lpt]="target/AdapterSignals.h common"
  [gpio]="target/AdapterSignals.h lpt/Clock.h common"
  [ftdi]="target/AdapterSignals.h lpt/Clock.h common"
  [sim]="lpt/PortIo.h lpt/Clock.h gpio/GpioCalls.h ftdi/FtdiTransport.h common"
  [common]=""
)
# The folders that may include Qt (besides every ui/ subfolder).
qt_folders=" app "

allowed() { # file's folder, included path
  local folder=$1 inc=$2 dir entry parent
  dir=$(dirname "$inc")
  [ "$dir" = "$folder" ] && return 0
  local rules=${may[$folder]-}
  if [[ $folder == */ui ]]; then
    parent=${folder%/ui}
    [ "$dir" = "$parent" ] && return 0
    rules="$rules ${may[$parent]-}"
  fi
  for entry in $rules; do
    [ "$entry" = "$inc" ] && return 0
    [ "$entry" = "$dir" ] && return 0
  done
  return 1
}

ours=$(printf '%s\n' "${!may[@]}" | sort | paste -sd'|')
while IFS= read -r file; do
  rel=${file#"$src"/}
  folder=$(dirname "$rel")
  top=${folder%%/*}
  if [ -z "${may[$top]+set}" ]; then
    continue
  fi
  if [[ $folder != */ui && $folder != "$top" ]]; then
    folder=$top
  fi
  while IFS= read -r inc; do
    if ! allowed "$folder" "$inc"; then
      echo "$rel includes $inc: $folder/ may not include it"
      status=1
    fi
  done < <(grep -oE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$file" \
             | sed -E 's/.*"([^"]+)"/\1/' | grep -E "^($ours)/" || true)
  if [[ $folder != */ui && $qt_folders != *" $top "* ]] &&
     grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]Q[A-Za-z]+' "$file"; then
    echo "$rel includes a Qt header: Qt belongs in app/ and the ui/ subfolders"
    status=1
  fi
done < <(find "$src" -path "$src/build*" -prune -o \( -name '*.h' -o -name '*.cpp' \) -print)

if [ -n "$cli" ]; then
  if ldd "$cli" | grep -i 'libQt'; then
    echo "$cli links Qt"
    status=1
  fi
fi
exit $status
