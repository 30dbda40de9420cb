#!/usr/bin/env bash
# Installs every Debian package that building, testing and running KORVEL needs.
# Packages already present are skipped, so a second run costs only a dpkg query.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    xvfb xauth fonts-liberation
    dpkg-dev file appstream desktop-file-utils shared-mime-info xdg-utils man-db gzip
    lintian
    pybind11-dev python3-dev python3-numpy python3-pandas python3-xarray python3-netcdf4
    python3-dask python3-distributed python3-matplotlib python3-pytest python3-tqdm
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another installer may hold apt's lock for a while (builders run side by side): wait for it
# rather than fail.
lock=(-o DPkg::Lock::Timeout=600)
$sudo apt-get "${lock[@]}" update -qq
$sudo apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
