#!/usr/bin/env bash
# Fails when a library's sources, or the project headers they include (followed through), include a
# header the library's layer may not use.
# Usage: include_rules.sh <source root> <rule> <library's folder> <library's sources...>
#   rule "only:<entries>": project headers from these alone, a comma-separated list of folders ("mysql/")
#                         and single headers (the wire library: only mysql/)
#   rule "no-qt":         no Qt header (<Q...>)
set -uo pipefail
root=$1 rule=$2 folder=$3
shift 3

queue=()
for source in "$@"; do
  [[ $source = /* ]] || source=$folder/$source
  # Generated sources (version resources, compiled resource files) live in the build tree.
  [[ $source = "$root"/* ]] && queue+=("${source#"$root"/}")
done

# Whether a project header is one of the "only:" rule's entries or lies in one of its folders.
allowed() {
  local entry entries
  IFS=, read -ra entries <<<"${rule#only:}"
  for entry in "${entries[@]}"; do
    [[ $1 = "$entry" || ($entry = */ && $1 = "$entry"*) ]] && return 0
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
      if [ "$rule" = no-qt ] && [[ $name = Q* ]]; then
        echo "$file includes <$name>, but its library is free of Qt" >&2
        violations=$((violations + 1))
      fi
      continue
    fi
    # Project headers are named from the source root ("mysql/MySqlNet.h"), a few from their own folder.
    header=$name
    [ -f "$root/$header" ] || header=$(dirname "$file")/$name
    if [[ $rule = only:* ]] && ! allowed "$header"; then
      echo "$file includes \"$name\", but its library may use only ${rule#only:}" >&2
      violations=$((violations + 1))
      continue
    fi
    [ -f "$root/$header" ] && queue+=("$header")
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^>"]+)[>"].*/\1 \2/p' "$root/$file")
done

((${#seen[@]})) || { echo "no sources of the library found under $root" >&2; exit 1; }
exit $((violations > 0))
