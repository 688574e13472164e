#!/usr/bin/env bash
# Points Morvane's five inputs at the demo database, unless its settings key exists already
# (the technician's own settings are never overwritten).
#   scripts/demo-settings.sh HOST PORT USER PASSWORD DATABASE
set -euo pipefail
host=$1 port=$2 user=$3 password=$4 database=$5

config=${XDG_CONFIG_HOME:-}
[ -n "$config" ] || config=$HOME/.config
file=$config/KOVA/current-user.reg
section='[HKEY_CURRENT_USER\SOFTWARE\KOVA\Utilities\Morvane]'

if [ -f "$file" ] && grep -qiF "$section" "$file"; then
  exit 0
fi
mkdir -p "$(dirname "$file")"
umask 077
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
