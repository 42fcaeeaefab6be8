#!/usr/bin/env bash
# Installs the Debian 12 packages the build and tests need. Idempotent: only
# missing packages are fetched, so a second run costs a dpkg query.
set -euo pipefail

PKGS=(
  cmake ninja-build g++ pkg-config python3 git
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libminizip-dev libtinyxml2-dev
  libopencc-dev libopencc-data libmspack-dev
  libcli11-dev libfmt-dev libssl-dev
  libpcre2-dev libicu-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
)
# Extra groups a caller may ask for (e.g. the window build) via FOLIAN_EXTRA_PKGS.
if [[ -n "${FOLIAN_EXTRA_PKGS:-}" ]]; then
  read -r -a extra <<<"$FOLIAN_EXTRA_PKGS"
  PKGS+=("${extra[@]}")
fi

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
