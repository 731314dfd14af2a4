#!/usr/bin/env bash
# Installs the Debian packages the build, the client and the tests need.
# As root it runs apt-get; otherwise it prints the apt-get line and fails.
set -euo pipefail
PKGS=(g++ cmake ninja-build pkg-config qt6-base-dev libgtest-dev
      libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils
      fonts-dejavu-core)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
