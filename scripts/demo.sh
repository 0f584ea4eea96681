#!/usr/bin/env bash
# The main job: builds the installer and shows its usage.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build"
"$root/build/bin/LinuxInstaller" --help || true
