#!/usr/bin/env bash
# Sets up and starts the client on the embedded demo database.
set -euo pipefail
top="$(cd "$(dirname "$0")" && pwd)"
bash "$top/scripts/deps.sh"
bash "$top/scripts/build.sh"
if [ ! -f "$top/build/base.fdb" ]; then
  "$top/build/velmora-initdb" --demo "$top/build/base.fdb"
fi
if [ ! -f "$top/build/client.ini" ]; then
  printf '[DataBase]\nDataBaseName=%s\nuser_name=SYSDBA\npassword=plumvexor\n' "$top/build/base.fdb" > "$top/build/client.ini"
fi
exec "$top/build/velmora" "$@"
