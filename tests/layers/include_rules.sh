#!/usr/bin/env bash
# Fails when a library's sources, or the project headers they include (followed through), include a
# header of a library it may not use, or a Qt header when it is free of Qt.
# Usage: include_rules.sh <source root> <build dir> <libraries file> <library> <qt: yes|no> <allowed>
#   libraries file: a line "library|folder|source dir|source;source..." per library of the table
#   allowed: comma-separated libraries and single headers ("wire/MySqlField.h") it may use
# A header belongs to the library that compiles the source of its name; a header without a source
# belongs to its folder, and so to every library there.
set -uo pipefail
shopt -s extglob
root=$1 build=$2 libraries_file=$3 library=$4 qt=$5
IFS=, read -ra allowed <<<"$6"

declare -A owner folder_of
queue=()
while IFS='|' read -r name folder dir sources; do
  [ -n "$name" ] || continue
  folder_of[$name]=$folder
  IFS=';' read -ra list <<<"$sources"
  for source in "${list[@]}"; do
    [[ $source = /* ]] || source=$dir/$source
    # Generated sources (version resources, compiled resources, moc) live in the build tree.
    [[ $source = "$root"/* && $source != "$build"/* && $source = *.@(cpp|h) ]] || continue
    source=${source#"$root"/}
    if [ "$(dirname "$source")/" != "$folder" ]; then
      echo "$source of $name is not in its folder $folder" >&2
      exit 1
    fi
    owner[$source]=$name
    owner[${source%.*}.h]=$name
    [ "$name" = "$library" ] && queue+=("$source")
  done
done <"$libraries_file"

may_use() {
  local header=$1 name=${owner[$1]:-} entry
  for entry in "$library" "${allowed[@]}"; do
    [ "$header" = "$entry" ] && return 0
    [ -n "$name" ] && [ "$name" = "$entry" ] && return 0
    [ -z "$name" ] && [ "$(dirname "$header")/" = "${folder_of[$entry]:-}" ] && return 0
  done
  return 1
}

declare -A seen
violations=0
while ((${#queue[@]})); do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  [ -n "${seen[$file]:-}" ] && continue
  seen[$file]=1
  while read -r kind name; do
    if [ "$kind" = '<' ]; then
      if [ "$qt" = no ] && [[ $name = Q* ]]; then
        echo "$file includes <$name>, but $library is free of Qt" >&2
        violations=$((violations + 1))
      fi
      continue
    fi
    # Project headers are named from the source root ("wire/MySqlNet.h"), a few from their own folder.
    header=$name
    [ -f "$root/$header" ] || header=$(dirname "$file")/$name
    [ -f "$root/$header" ] || continue
    if ! may_use "$header"; then
      echo "$file includes \"$name\" (${owner[$header]:-$(dirname "$header")/}), which $library may not use" >&2
      violations=$((violations + 1))
      continue
    fi
    queue+=("$header")
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^>"]+)[>"].*/\1 \2/p' "$root/$file")
done

((${#seen[@]})) || { echo "no sources of $library found under $root" >&2; exit 1; }
exit $((violations > 0))
