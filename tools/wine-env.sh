# Sourced by the scripts: the environment every Wine process of this checkout uses.
# One private prefix per checkout, Japanese locale (GetACP() is then 932),
# no Mono or Gecko prompts, no debug chatter.
_tamari_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$_tamari_top/build/wineprefix}
export WINEARCH=${WINEARCH:-win32}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
unset _tamari_top
