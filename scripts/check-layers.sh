#!/usr/bin/env bash
# Fails when an include climbs a layer or two folders include each other. Each source folder has
# a rank; a file may include its own folder and folders of a lower rank only.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rank=(
  [core/base]=0 [core/record]=1 [core/files]=2 [core/link]=3
  [graph]=4 [console]=5
  # Programs sit on top: zeftool on core and graph, zef's main on the console.
  [tools/zeftool]=5 [main]=6
)
bad=0
while IFS= read -r file; do
  dir=${file%/*}
  dir=${dir#src/}
  [ "$file" = src/main.cpp ] && dir=main
  mine=${rank[$dir]:-}
  if [ -z "$mine" ]; then
    echo "$file: its folder has no layer in scripts/check-layers.sh"
    bad=1
    continue
  fi
  while IFS= read -r inc; do
    target=${inc%/*}
    [ "$target" = "$dir" ] && continue
    theirs=${rank[$target]:-}
    if [ -z "$theirs" ] || [ "$theirs" -ge "$mine" ]; then
      echo "$file includes \"$inc\": that climbs from $dir to ${target}"
      bad=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\/[^"]*\)"$/\1/p' "$file")
done < <(git ls-files 'src/*.cpp' 'src/*.h' 'tools/zeftool/*.cpp' 'tools/zeftool/*.h' | grep -v '^src/res/')
if [ $bad -ne 0 ]; then
  exit 1
fi
echo "Layers: no include climbs."
