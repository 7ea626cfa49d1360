#!/usr/bin/env bash
# Installs what building and running TOLVADEX under Wine needs on Debian 12 (as root). Quick and quiet
# when everything is already there.
set -euo pipefail

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo

# fonts-wine: Wine's Marlett, the glyphs of the caption buttons of Windows-framed windows.
packages=(g++-mingw-w64-i686-posix mingw-w64-i686-dev wine wine32:i386 fonts-wine xvfb xauth cmake googletest imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -q i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# 32-bit Wine needs a kernel that runs 32-bit Linux programs. Some virtual machines' kernels do not:
# there the i386 programs run through qemu's user-mode emulator (a release recent enough to run Wine at
# native-like speed comes from bookworm-backports), registered with binfmt_misc.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if ! qemu-i386-static --version 2>/dev/null | grep -qE 'version ([89]|[1-9][0-9])\.'; then
    echo "this kernel runs no 32-bit programs: installing qemu's user-mode emulator"
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      echo 'deb http://deb.debian.org/debian bookworm-backports main' | $SUDO tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
    fi
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
  fi
  [ -e /proc/sys/fs/binfmt_misc/register ] || $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && echo -1 | $SUDO tee /proc/sys/fs/binfmt_misc/qemu-i386 >/dev/null
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  /usr/lib/wine/wine --version >/dev/null
fi
# Say when the emulator carries the 32-bit programs: runs are slower, and only ratios measured inside one
# process mean anything.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
  echo "note: 32-bit programs run through qemu's user-mode emulator (this kernel runs no 32-bit programs itself)"
fi
