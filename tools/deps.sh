#!/usr/bin/env bash
# Installs the Debian 12 packages the program, its tests and the simulator need.
# Idempotent: does nothing when everything is already installed.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev gettext
  xvfb xauth
  # The printouts ask for the face "Tahoma"; Wine's free copy is the nearest match (the
  # program finds it in /usr/share/wine/fonts). Without it a substitute face stands in.
  fonts-wine
  # DejaVu Sans: the substitute face, and the print test's face whose own ascent is its full one.
  fonts-dejavu-core
  # pdftotext and pdffonts read back the PDF printouts in the print test.
  poppler-utils
  # Qt's own catalogues (qtbase_pl.qm, ...): message box buttons, file and print dialogs in
  # the program's language.
  qt6-translations-l10n
  # The installed files' check (tools/check-install.sh): the desktop entry's and the AppStream
  # metadata's validators, groff for the man pages, strace to see what the installed
  # program opens.
  desktop-file-utils appstream groff-base strace
  # The Debian package (tools/package.sh): dpkg-shlibdeps finds its dependencies, with file.
  dpkg-dev file
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1
  fi
fi
echo "Installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
