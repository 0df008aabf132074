#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, fuzz and benchmark.
# Safe to run again: apt-get skips what is there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

PACKAGES=(
    build-essential cmake ninja-build pkg-config git python3
    clang libclang-rt-14-dev clang-format clang-tidy binutils
    zlib1g-dev libjpeg-dev
    qt6-base-dev fonts-liberation2
    nlohmann-json3-dev libcli11-dev libfmt-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    socat patch
    xvfb xdotool x11-utils
    # media player and web browser: Qt Multimedia on GStreamer, Qt WebEngine
    qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools
    qt6-webengine-dev
    # alarms: a real SMTP server and dBASE reader for the tests
    python3-aiosmtpd dbview
    # printing: CUPS and its PDF back end, PDF tools for the tests
    cups cups-client printer-driver-cups-pdf libcups2-dev poppler-utils
)

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" >/dev/null
echo "setup: ${#PACKAGES[@]} packages present"
