#!/usr/bin/env bash
# Installs what the build needs, builds, starts a throwaway PostgreSQL server and
# runs every test against SQLite and against that server.
#   scripts/test.sh [--sanitize | --tsan]
#     --sanitize: every test, AddressSanitizer + UBSan build in build-asan/
#     --tsan:     the controller tests (sockets, connections, poll threads), ThreadSanitizer build in build-tsan/
set -euo pipefail
KX_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$KX_ROOT/scripts/deps.sh"

build_dir="$KX_ROOT/build"
cmake_args=()
ctest_args=()
case "${1:-}" in
  --sanitize)
    build_dir="$KX_ROOT/build-asan"
    cmake_args+=(-DKX_SANITIZE=ON -DKX_BUILD_BENCH=OFF) ;;
  --tsan)
    build_dir="$KX_ROOT/build-tsan"
    cmake_args+=(-DKX_TSAN=ON -DKX_BUILD_BENCH=OFF)
    ctest_args+=(-R "TSockets|PollTask|MsgForm|Controller|KxFep")
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" ;;
  "") ;;
  *) echo "usage: scripts/test.sh [--sanitize | --tsan]" >&2; exit 2 ;;
esac

kx_ensure_packages
kx_build "$build_dir" "${cmake_args[@]}"

pg_dir=$(mktemp -d /tmp/kx-test-pg.XXXXXX)
chmod 755 "$pg_dir"
cleanup() { "$KX_ROOT/scripts/pg-server.sh" stop "$pg_dir/srv"; rm -rf "$pg_dir"; }
trap cleanup EXIT
KX_TEST_PG=$("$KX_ROOT/scripts/pg-server.sh" start "$pg_dir/srv")
export KX_TEST_PG
echo "PostgreSQL test server: $KX_TEST_PG"

ctest --test-dir "$build_dir" --output-on-failure -j 2 --timeout 600 "${ctest_args[@]}"

# The Debian package, unpacked into a throwaway root (needs root for the file owners).
if [ -z "${1:-}" ]; then
  if [ "$(id -u)" = 0 ]; then
    bash "$KX_ROOT/scripts/package-test.sh" "$build_dir"
  else
    echo "The package test needs root: skipped."
  fi
fi
