# Sourced by the scripts: installs the Debian packages that are missing, and nothing else.
kz_ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

KZ_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config zlib1g-dev libpng-dev libgtest-dev libgmock-dev
                   libbenchmark-dev)
