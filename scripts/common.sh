# Shared by run.sh and test.sh: installs what the build needs, then configures
# and builds one build folder.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=${JOBS:-$(nproc)}

PACKAGES=(cmake ninja-build g++ clang libclang-rt-dev qt6-base-dev qt6-base-dev-tools qt6-charts-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libevtx-dev libbfio-dev pkg-config ccache
          zlib1g-dev freeradius freeradius-utils)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
}

# build DIR [cmake options...]
build() {
  local dir=$1; shift
  # A compiler cache, where the machine has one, makes a second checkout's
  # build (a fresh clone, a work tree) take the objects of the first.
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=1
  fi
  cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
  cmake --build "$ROOT/$dir" -j "$JOBS"
}
