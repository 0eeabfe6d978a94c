#!/usr/bin/env bash
# Installs the Debian packages of deps/debian-packages.txt that are missing.
# As root it installs them; otherwise it prints the apt-get line and fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$top/deps/debian-packages.txt")
missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
line="apt-get install -y ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "Tavuro needs these Debian packages. Run as root:" >&2
  echo "  $line" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
