#!/usr/bin/env bash
# Builds the Debian package in BUILD_DIR, checks it with lintian, unpacks it
# into a throwaway root and checks what it holds: the files, the conffile,
# the unit (systemd-analyze verify) and that the installed programs run.
#   scripts/package-test.sh BUILD_DIR
set -euo pipefail
build_dir=${1:?usage: scripts/package-test.sh BUILD_DIR}
version=$(sed -n 's/^project(kx-ata VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")

cmake --build "$build_dir" --target package >/dev/null
deb="$build_dir/kx-ata_${version}_amd64.deb"
[ -f "$deb" ] || { echo "package-test: no $deb" >&2; exit 1; }

root=$(mktemp -d /tmp/kx-package-root.XXXXXX)
trap 'rm -rf "$root"' EXIT
fail() { echo "package-test: $*" >&2; exit 1; }

echo "== lintian $deb"
lintian_status=0
lintian --fail-on error "$deb" > "$root/lintian.out" 2>&1 || lintian_status=$?
grep -v 'root privileges' "$root/lintian.out" || true
[ "$lintian_status" = 0 ] || fail "lintian reports errors"

dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$root/DEBIAN"

for file in usr/bin/kx-ata usr/bin/kx-ctl usr/bin/kx-db usr/bin/kx-fep \
            usr/share/kx-ata/schema/sqlite.sql usr/share/kx-ata/schema/postgresql.sql \
            lib/systemd/system/kx-ata.service etc/kx-ata/Kairox.ini usr/share/doc/kx-ata/copyright \
            usr/share/man/man1/kx-ata.1.gz usr/share/man/man1/kx-ctl.1.gz \
            usr/share/man/man1/kx-db.1.gz usr/share/man/man1/kx-fep.1.gz; do
  [ -e "$root/$file" ] || fail "missing /$file"
done
[ -d "$root/var/lib/kx-ata" ] || fail "missing /var/lib/kx-ata"
[ "$(readlink "$root/var/lib/kx-ata/Kairox.ini")" = /etc/kx-ata/Kairox.ini ] || fail "the home's Kairox.ini is not /etc's"
grep -qx /etc/kx-ata/Kairox.ini "$root/DEBIAN/conffiles" || fail "Kairox.ini is not a conffile"
grep -q '^Depends:.*libpq5' "$root/DEBIAN/control" || fail "no shared-library dependencies"
zcat "$root/usr/share/man/man1/kx-ata.1.gz" | grep -q 'AutoProcess' || fail "kx-ata(1) lacks the settings"

echo "== the installed programs"
[ "$("$root/usr/bin/kx-ata" --version)" = "kx-ata $version" ] || fail "kx-ata --version"
for program in kx-ata kx-ctl kx-db kx-fep; do
  "$root/usr/bin/$program" --help >/dev/null || fail "$program --help"
done
# The example settings are all commented out: the check finds nothing wrong in them.
home="$root/home"
mkdir "$home"
cp "$root/etc/kx-ata/Kairox.ini" "$home/"
"$root/usr/bin/kx-db" demo "$home/Kairox.db" --staff 3 --days 1 --from 20261101 >/dev/null
"$root/usr/bin/kx-ata" --check --home "$home" > "$root/check.out" || true
if grep -q 'Kairox.ini:' "$root/check.out" || ! grep -A1 'differ from their defaults:' "$root/check.out" | grep -qx '  none'; then
  cat "$root/check.out"; fail "kx-ata --check finds fault with the example settings"
fi
grep -q 'suite tables: all' "$root/check.out" || { cat "$root/check.out"; fail "kx-ata --check did not read the database"; }

echo "== systemd-analyze verify"
# The unit as packaged, with ExecStart= pointing into the throwaway root.
unit="$root/unit/kx-ata.service"
mkdir -p "$root/unit"
sed "s|^ExecStart=/usr/bin/kx-ata|ExecStart=$root/usr/bin/kx-ata|" "$root/lib/systemd/system/kx-ata.service" > "$unit"
systemd-analyze verify --man=no "$unit" || fail "systemd-analyze verify"
systemd-analyze security --offline=yes "$unit" 2>/dev/null | tail -1

echo "package-test: $deb is good"
