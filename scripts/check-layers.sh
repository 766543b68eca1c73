#!/usr/bin/env bash
# Fails when an #include crosses a layer upward. The layers, lowest first: a
# folder may include its own headers and those of the layers before it, never
# one after it, so no two folders can include each other. Tests, benchmarks
# and stand-ins sit above all and are not checked.
# Usage: check-layers.sh [source root]
set -uo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
layers=(resources winkit app/base imaging tasks/settings engine/core drivers engine doclist tasks app)

# The layer of a path (the longest folder of the list it lies in), as its
# rank; -1 for paths outside every layer.
rank_of() {
  local path=$1 best=-1 best_len=0 i
  for i in "${!layers[@]}"; do
    local l=${layers[$i]}
    if [[ $path == "$l"/* ]] && ((${#l} > best_len)); then
      best=$i
      best_len=${#l}
    fi
  done
  echo "$best"
}

cd "$root" || exit 2
bad=0
checked=0
while IFS= read -r file; do
  from=$(rank_of "$file")
  ((from < 0)) && continue
  checked=$((checked + 1))
  while IFS=: read -r line target; do
    to=$(rank_of "$target")
    ((to < 0)) && continue
    if ((to > from)); then
      echo "$file:$line: includes \"$target\" of layer ${layers[$to]}, above its own layer ${layers[$from]}"
      bad=1
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+/[^"]+"' "$file" |
    sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done < <(find "${layers[@]}" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) 2>/dev/null | sort -u)
if ((bad)); then
  echo "layer check: upward includes found"
  exit 1
fi
echo "layer check: $checked files, no upward include"
