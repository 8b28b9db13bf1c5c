#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet.
# Idempotent and quiet when nothing is missing. An argument of the form
# "pkg:i386" enables the i386 architecture first (Wine's 32-bit part).
set -euo pipefail

missing=()
need_i386=0
for pkg in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$pkg")
    [[ "$pkg" == *:i386 ]] && need_i386=1
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null; then sudo=(sudo); else
    echo "error: missing packages (${missing[*]}) and not root; install them or run as root" >&2
    exit 1
  fi
fi

echo "Installing: ${missing[*]}" >&2
if [[ $need_i386 -eq 1 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
