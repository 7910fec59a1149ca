#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine (run as root).
# Skips what is already present, so a second run costs a few seconds.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

packages=(
  g++-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32:i386 xvfb xauth x11-utils locales fonts-ipafont-gothic
  python3-pyftpdlib cmake make g++ googletest
  libminizip-dev libonig-dev zlib1g-dev clang libclang-rt-14-dev
  imagemagick unzip zip
)
for p in "${packages[@]}"; do have "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${need[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo "ja_JP.UTF-8 UTF-8" >> /etc/locale.gen
  locale-gen
fi

# Some hosts run 64-bit user code only (the kernel answers ENOEXEC to any i386
# program), and Wine's 32-bit loader is an i386 program. There, hand i386 ELF
# programs to qemu's user-mode emulator through binfmt_misc.
tools_dir=$(cd "$(dirname "$0")" && pwd)

# The first URI of a source that serves the bookworm suite itself, from either
# the one-line or the deb822 format.
apt_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '$1 == "deb" && $0 ~ / bookworm / { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z+]+:\/\//) { print $i; exit } }')
  if [ -z "$uri" ]; then
    uri=$(awk 'BEGIN { RS = ""; FS = "\n" }
               /(^|\n)Suites:[^\n]*bookworm( |\n|$)/ {
                 for (i = 1; i <= NF; i++) if ($i ~ /^URIs:/) { split($i, u, " "); print u[2]; exit } }' \
               /etc/apt/sources.list.d/*.sources 2>/dev/null)
  fi
  [ -n "$uri" ] && printf '%s\n' "$uri"
}
if ! "$tools_dir/check-i386.sh"; then
  # qemu 7.2 of bookworm spends about a minute of CPU on every Wine process start
  # (its page tracking is slow over Wine's large reservations); the qemu of
  # bookworm-backports starts one in about a second.
  if ! dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null | grep -q '^1:1[0-9]'; then
    # The backports suite comes from the mirror this machine's apt already uses.
    mirror=$(apt_mirror) || { echo "no Debian mirror in this machine's apt sources" >&2; exit 1; }
    echo "deb $mirror bookworm-backports main" > /etc/apt/sources.list.d/tamari3-backports.list
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
  # Debian registers no i386 handler on amd64; ours are registered here. 'F'
  # keeps the emulator open, so a re-registration is needed after an upgrade.
  for name in tamari-i386-exec tamari-i386-dyn qemu-i386; do
    [ -e $binfmt/$name ] && echo -1 > $binfmt/$name
  done
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  emulator=$(readlink -f /usr/bin/qemu-i386-static)
  # Executables (type 2) and position-independent ones (type 3).
  printf '%s' ":tamari-i386-exec:M::${magic}\x02\x00\x03\x00:${mask}:${emulator}:F" > $binfmt/register
  printf '%s' ":tamari-i386-dyn:M::${magic}\x03\x00\x03\x00:${mask}:${emulator}:F" > $binfmt/register
  "$tools_dir/check-i386.sh" || { echo "i386 programs cannot run on this host" >&2; exit 1; }
fi
