#!/usr/bin/env bash
# The main job on the embedded SQLite default: builds the programs, generates a
# month of a demo site, starts the agent headless on it, has it reprocess the
# whole month through the control mailbox and shows what it computed; then the
# road of a clocking: a simulated controller reports clockings of today, the
# front end fetches them with "OLD" and the agent recomputes those days at once.
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
rm -f "/dev/shm/$mailbox"  # the demo's own block; the agent makes it afresh, private
rm -rf "$demo"
mkdir -p "$demo"

first=$(date -d "$(date +%Y-%m-01) -1 month" +%Y%m%d)
last=$(date -d "$(date -d "$first" +%Y-%m-01) +1 month -1 day" +%Y%m%d)
days=$(( ($(date -d "$last" +%s) - $(date -d "$first" +%s)) / 86400 + 1 ))
"$bin/kx-db" demo "$demo/Kairox.db" --staff "$staff" --days "$days" --from "$first" --seed 1

# The message server (FEP 1 of M_Server): kx-fep on a free loopback port, with
# clockings of today for a few demo staff, stored as the message server would.
clockings=${KX_DEMO_CLOCKINGS:-6}
"$bin/kx-fep" --listen 127.0.0.1:0 --db "$demo/Kairox.db" --generate "$clockings" --staff-from "$demo/Kairox.db" \
  >"$demo/kx-fep.out" 2>&1 &
fep=$!
port=
for _ in $(seq 1 100); do
  port=$(sed -n 's/^kx-fep listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$demo/kx-fep.out")
  [ -n "$port" ] && break
  kill -0 "$fep" 2>/dev/null || { echo "kx-fep did not start:"; cat "$demo/kx-fep.out"; exit 1; }
  sleep 0.1
done

cat > "$demo/Kairox.ini" <<INI
[Database]
DBAlias=Kairox
[Server]
IPPort=$port
[Options]
ATA_Details=0
INI

echo
echo "Starting kx-ata (headless, attendance server, home $demo; FEP 1 is kx-fep on port $port)..."
"$bin/kx-ata" --headless --server --home "$demo" --mailbox "$mailbox" >"$demo/kx-ata.out" 2>&1 &
agent=$!
trap '"$bin/kx-ctl" --mailbox "$mailbox" --timeout 20 end >/dev/null 2>&1 || kill "$agent" 2>/dev/null || true
      kill "$fep" 2>/dev/null || true' EXIT
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

echo
echo "The road of a clocking: $clockings clockings of today from kx-fep, fetched with \"OLD\"..."
today=$(date +%Y%m%d)
staff_seen=()
for _ in $(seq 1 100); do
  record=$("$bin/kx-ctl" --mailbox "$mailbox" --timeout 30 old)
  if [ -n "$record" ]; then
    echo "  DLO$record"
    staff_seen+=("$(echo "$record" | cut -d, -f8)")
    [ ${#staff_seen[@]} -ge "$clockings" ] && break
  else
    sleep 0.1
  fi
done
echo "  FEP 1 was sent $(grep -c 'RFA<CR>' "$demo/kx-fep.out" || true) refresh messages (RFA)."
if [ ${#staff_seen[@]} -gt 0 ]; then
  echo
  echo "The days recomputed on the fly (today), and the first clocking staff member's row:"
  "$bin/kx-db" report "$demo/Kairox.db" --from "$today" --to "$today" --staff "${staff_seen[0]}"
fi

"$bin/kx-ctl" --mailbox "$mailbox" --timeout 30 end >/dev/null
kill "$fep" 2>/dev/null || true
trap - EXIT
echo "Agent ended. Its log: $demo/KX_ATA.Log"
