#!/usr/bin/env bash
# Points Morvane's five inputs at the demo database, unless its settings key exists already
# (the technician's own settings are never overwritten). Settings that point at the demo database
# follow its port when the demo had to move to another one.
#   scripts/demo-settings.sh HOST PORT USER PASSWORD DATABASE
set -euo pipefail
host=$1 port=$2 user=$3 password=$4 database=$5

config=${XDG_CONFIG_HOME:-}
[ -n "$config" ] || config=$HOME/.config
file=$config/KOVA/current-user.reg
section='[HKEY_CURRENT_USER\SOFTWARE\KOVA\Utilities\Morvane]'

umask 077
if [ -f "$file" ] && grep -qiF "$section" "$file"; then
  # Within the key: when Host, User and Database are the demo's, Port becomes the demo's.
  SECTION=$section HOST=$host USER_NAME=$user DATABASE=$database PORT=$port awk '
    function flush(   i) {
      for (i = 1; i <= n; i++) {
        if (matches == 3 && kept[i] ~ /^"Port"=/) kept[i] = sprintf("\"Port\"=dword:%08x", ENVIRON["PORT"])
        print kept[i]
      }
      n = 0; matches = 0
    }
    /^\[/ { flush(); inside = tolower($0) == tolower(ENVIRON["SECTION"]) }
    { kept[++n] = $0 }
    inside && ($0 == "\"Host\"=\"" ENVIRON["HOST"] "\"" || $0 == "\"User\"=\"" ENVIRON["USER_NAME"] "\"" ||
               $0 == "\"Database\"=\"" ENVIRON["DATABASE"] "\"") { matches++ }
    END { flush() }' "$file" >"$file.new"
  if cmp -s "$file" "$file.new"; then
    rm "$file.new"
  else
    mv "$file.new" "$file"
    echo "Morvane's demo settings follow the demo database to $host:$port (in $file)." >&2
  fi
  exit 0
fi
mkdir -p "$(dirname "$file")"
{
  [ -s "$file" ] || printf 'Windows Registry Editor Version 5.00\n'
  printf '\n%s\n' "$section"
  printf '"Host"="%s"\n' "$host"
  printf '"Port"=dword:%08x\n' "$port"
  printf '"User"="%s"\n' "$user"
  printf '"Password"="%s"\n' "$password"
  printf '"Database"="%s"\n' "$database"
  printf '"PostToWebSite"="%s"\n' "https://post.kova-telescope.example"
} >>"$file"
echo "Morvane will connect to the demo database on $host:$port (settings in $file)." >&2
