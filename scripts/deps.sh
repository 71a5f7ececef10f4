# Sourced by the project's scripts: makes sure the Debian packages the build needs are present.
# As root it installs what is missing; otherwise it prints the exact apt-get line and stops.
KX_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libxkbcommon-dev libsqlite3-dev libpq-dev libcli11-dev libsystemd-dev
             nlohmann-json3-dev help2man dpkg-dev lintian systemd
             postgresql-15 googletest libgtest-dev libgmock-dev libbenchmark-dev)

kx_ensure_packages() {
  local missing=() p
  for p in "${KX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" != 0 ]; then
    echo "Missing Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

kx_build() {
  local dir=$1; shift
  cmake -S "$KX_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
