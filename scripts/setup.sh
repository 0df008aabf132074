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
    clang libclang-rt-14-dev clang-format clang-tidy binutils lld
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
    # OPC client: the vendored OPC UA stack's encryption
    libssl-dev
)
# Node.js and npm for the OPC client's second test server, from Debian only where the machine
# has none (a machine with another Node.js distribution keeps it).
command -v node >/dev/null 2>&1 || PACKAGES+=(nodejs)
command -v npm >/dev/null 2>&1 || PACKAGES+=(npm)

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" >/dev/null
echo "setup: ${#PACKAGES[@]} packages present"

# The OPC client's interoperability test runs against a second OPC UA server on Node.js
# (tests/interop/opcua-node); without npm or the registry that test is skipped.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if ! command -v npm >/dev/null 2>&1; then
    echo "setup: npm not found: the OPC UA interoperability server is not installed (its test is skipped)"
elif npm ci --prefix "$ROOT/tests/interop/opcua-node" --no-audit --no-fund --loglevel=error >/dev/null; then
    echo "setup: OPC UA interoperability server installed"
else
    echo "setup: npm could not install the OPC UA interoperability server (registry unreachable?): its test is skipped"
fi
