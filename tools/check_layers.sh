#!/usr/bin/env bash
# Fails when an include of our own points up or sideways between the folders.
# Layers from the bottom; a folder may include its own files and those of lower
# layers only. Folders on one layer do not include each other.
set -u
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$top" || exit 2

rank() {
  case $1 in
    regex) echo 0 ;;
    support) echo 1 ;;
    state | system) echo 2 ;;
    archive | net) echo 3 ;;
    catalogue | download | plugins) echo 4 ;;
    install | plugin_extrapack) echo 5 ;;
    shell) echo 6 ;;
    *) echo -1 ;;
  esac
}

bad=0
checked=0
for dir in regex support state system archive net catalogue download plugins install plugin_extrapack shell; do
  [ -d "$dir" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(printf '%s' "${rest#*:}" | sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z_0-9]+)\/.*/\1/')
    checked=$((checked + 1))
    [ "$target" = "$dir" ] && continue
    to=$(rank "$target")
    [ "$to" -lt 0 ] && continue  # resources/ and the like belong to no layer
    if [ "$to" -ge "$(rank "$dir")" ]; then
      echo "$file:$line: $dir/ must not include $target/"
      bad=$((bad + 1))
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_0-9]+/' "$dir" \
             --include='*.c' --include='*.cpp' --include='*.h' --include='*.rc')
done
echo "layers: $checked includes checked, $bad pointing up or sideways"
[ "$bad" -eq 0 ]
