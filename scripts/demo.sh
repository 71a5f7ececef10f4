#!/usr/bin/env bash
# The main job on the embedded SQLite default: builds the programs, generates a
# demo suite database and shows what it holds.
set -euo pipefail
KX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$KX_ROOT/scripts/deps.sh"
kx_ensure_packages
kx_build "$KX_ROOT/build" >/dev/null

demo="$KX_ROOT/.demo"
mkdir -p "$demo"
rm -f "$demo/Kairox.db" "$demo/Kairox.db-wal" "$demo/Kairox.db-shm"
first=$(date -d "$(date +%Y-%m-01) -1 month" +%Y%m%d)
days=$(date -d "$(date -d "$first" +%Y-%m-01) +1 month -1 day" +%d)
"$KX_ROOT/build/bin/kx-db" demo "$demo/Kairox.db" --staff 300 --days "$days" --from "$first" --seed 1
echo
echo "Demo database: $demo/Kairox.db"
