#!/usr/bin/env bash
# Installs the extension into the system's PostgreSQL: its module into the
# server's library directory, its control file and SQL script beside the
# server's extensions. As root, or through sudo.
#   install.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1 build=$2
as_root=()
if ((EUID != 0)); then
  command -v sudo >/dev/null 2>&1 || {
    echo "install.sh: installing into the system's PostgreSQL needs root;" \
      "as root, run: $cmake --install $build --component postgres" >&2
    exit 1
  }
  as_root=(sudo)
fi
"${as_root[@]}" "$cmake" --install "$build" --component postgres
