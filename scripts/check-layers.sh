#!/usr/bin/env bash
# The logic folders build without Qt: none of their files may include a Qt
# header, and the command-line program may not link a Qt library.
# Usage: check-layers.sh SOURCE_DIR [VORBRANT_CLI]
set -euo pipefail
src=$1
cli=${2:-}
status=0
for dir in common lpt gpio ftdi sim chain target image security session cli; do
  # Qt windows of a logic folder live in its ui/ subfolder.
  hits=$(grep -rlE '#include[[:space:]]*[<"]Q[A-Za-z]+' "$src/$dir" --include='*.h' --include='*.cpp' \
         | grep -v "/ui/" || true)
  if [ -n "$hits" ]; then
    echo "Qt header in a logic folder:"; echo "$hits"
    status=1
  fi
done
if [ -n "$cli" ]; then
  if ldd "$cli" | grep -i 'libQt'; then
    echo "$cli links Qt"
    status=1
  fi
fi
exit $status
