#!/usr/bin/env bash
# The main job on the embedded SQLite default: builds the programs, generates a
# month of a demo site, starts the agent headless on it, has it reprocess the
# whole month through the control mailbox and shows what it computed.
set -euo pipefail
KX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$KX_ROOT/scripts/deps.sh"
kx_ensure_packages
echo "Building..."
kx_build "$KX_ROOT/build" >/dev/null

bin="$KX_ROOT/build/bin"
demo="$KX_ROOT/.demo"
mailbox="kx-demo-$(id -u)"
staff=${KX_DEMO_STAFF:-300}

# A previous run's agent, if one is still up, is ended first.
"$bin/kx-ctl" --mailbox "$mailbox" --timeout 20 end >/dev/null 2>&1 || true
rm -rf "$demo"
mkdir -p "$demo"

first=$(date -d "$(date +%Y-%m-01) -1 month" +%Y%m%d)
last=$(date -d "$(date -d "$first" +%Y-%m-01) +1 month -1 day" +%Y%m%d)
days=$(( ($(date -d "$last" +%s) - $(date -d "$first" +%s)) / 86400 + 1 ))
"$bin/kx-db" demo "$demo/Kairox.db" --staff "$staff" --days "$days" --from "$first" --seed 1

cat > "$demo/Kairox.ini" <<INI
[Database]
DBAlias=Kairox
[Options]
ATA_Details=0
INI

echo
echo "Starting kx-ata (headless, home $demo)..."
"$bin/kx-ata" --headless --home "$demo" --mailbox "$mailbox" >"$demo/kx-ata.out" 2>&1 &
agent=$!
trap '"$bin/kx-ctl" --mailbox "$mailbox" --timeout 20 end >/dev/null 2>&1 || kill "$agent" 2>/dev/null || true' EXIT
# The agent answers ACK once its mailbox is served.
for _ in $(seq 1 300); do
  "$bin/kx-ctl" --mailbox "$mailbox" --timeout 30 ack >/dev/null 2>&1 && break
  kill -0 "$agent" 2>/dev/null || { echo "kx-ata did not start:"; cat "$demo/kx-ata.out" "$demo/KX_ATA.Log" 2>/dev/null; exit 1; }
  sleep 0.1
done

echo "Reprocessing $staff staff from $first to $last through the control mailbox..."
started=$(date +%s.%N)
"$bin/kx-ctl" --mailbox "$mailbox" --timeout 3600 trp D "$first" "$last" \
  "select * from cards c, kt_cdext x where c.staff_number=x.staff_number order by c.staff_number"
ended=$(date +%s.%N)

echo
"$bin/kx-db" report "$demo/Kairox.db" --from "$first" --to "$last"
rows=$(( staff * days ))
awk -v n="$rows" -v a="$started" -v b="$ended" \
  'BEGIN { printf "\nRate: %d staff-days in %.1f s, %.0f staff-days per second\n", n, b - a, n / (b - a) }'

"$bin/kx-ctl" --mailbox "$mailbox" --timeout 30 end >/dev/null
trap - EXIT
echo "Agent ended. Its log: $demo/KX_ATA.Log"
