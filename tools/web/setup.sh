#!/usr/bin/env bash
# Installs what the web tests and tools/web/measure_web.py drive the page
# with: Debian's Chromium, its WebDriver and Selenium's Python bindings (the
# native end-to-end harness's tools come with TALLOWFEN_PACKAGES=test).
#   tools/web/setup.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install_packages.sh chromium chromium-driver python3-selenium
