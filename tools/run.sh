#!/usr/bin/env bash
# The main job: installs what is missing, builds the program, its plug-in and
# the demo's pieces, starts loopback mirrors that serve the demo distribution
# (and the class package's page), and runs tamari3.exe under Wine in build/demo
# with a settings file that points its four mirrors at them.
#  - With a display (DISPLAY set) you drive the wizard yourself.
#  - Without one, a driver walks it like a user: every page, the catalogue, the
#    download, the installation with its questions answered and the finish page,
#    keeping a screenshot of each under build/demo/screenshots/.
# Everything ends by itself; the mirrors stop with the script.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

bash tools/bootstrap.sh
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets="tamari3 plugin_extrapack cancel_wizard"
have_driver=
if grep -q '^shell_e2e_test:' <(cmake --build build/win --target help | sed 's/^\.\.\. //; s/$/:/'); then
  targets="$targets shell_e2e_test shell_demo_programs"
  have_driver=1
fi
cmake --build build/win --target $targets -j "$(nproc)"

demo=$top/build/demo
rm -rf "$demo"
mkdir -p "$demo/plugin" "$demo/download" "$demo/screenshots"
cp build/win/shell/tamari3.exe "$demo/"
cp build/win/shell/plugin/plugin_extrapack.dll "$demo/plugin/"

# The demo distribution on loopback FTP and HTTP servers; the archives carry
# the stand-in programs of the installation when they have been built.
programs=()
if [ -d build/win/tests/shell/demo_programs ]; then
  programs=(--demo-programs "$top/build/win/tests/shell/demo_programs")
else
  echo "== no stand-in programs built: the demo's archives hold placeholders =="
fi
state=$demo/mirror
/usr/bin/python3 tools/testservers/mirror_servers.py start --state "$state" --time-limit 1800 \
  "${programs[@]}" >/dev/null
trap '/usr/bin/python3 tools/testservers/mirror_servers.py stop --state "$state"' EXIT
/usr/bin/python3 tools/demo_plugin_page.py "$state/root/http"
ftp=$(awk '$1 == "ftp" {print $2}' "$state/servers")
http=$(awk '$1 == "http" {print $2}' "$state/servers")
echo "== demo mirrors: ftp://$ftp/demo/ and http://$http/demo/ =="

windows_dir() { echo "Z:${1//\//\\}\\"; }
{
  printf '[Dir]\r\nHozon=%s\r\nInstall=%s\r\n' "$(windows_dir "$demo/download")" "$(windows_dir "$demo/tex")"
  printf '[TeXURL]\r\nURL=ftp://%s/demo/w32tex/\r\nIsUrlList=0\r\n' "$ftp"
  printf '[Reg]\r\ntexinst=texinst[0-9]*\\.zip\r\nDVIOUT=tex[0-9]*w\\.zip\r\n'
  printf 'GS=gs[0-9]*w32full\\.zip\r\nGV=gsv[0-9]*w32\\.exe\r\n'
  printf '[DVIOUTURL]\r\nURL=ftp://%s/demo/dviout/\r\nIsUrlList=0\r\n' "$ftp"
  printf '[GSURL]\r\nURL=http://%s/demo/gs/\r\nIsUrlList=0\r\n' "$http"
  printf '[GVURL]\r\nURL=http://%s/demo/gsview/\r\nIsUrlList=0\r\n' "$http"
  printf '[TeX]\r\nDLInst=1\r\n[Connect]\r\nDeleteCache=1\r\nUseNetwork=1\r\n'
  printf '[jsclasses]\r\nURL=http://%s/demo/jsclasses/\r\n' "$http"
} >"$demo/tamari3.ini"

had_display=${DISPLAY:-}
. tools/wine-session.sh
wine_session_start
set +e
if [ -n "$had_display" ]; then
  echo "== tamari3.exe under Wine on display $DISPLAY: the wizard is yours =="
  (cd "$demo" && wine tamari3.exe)
  status=$?
elif [ -n "$have_driver" ]; then
  echo "== no display: a driver walks the wizard on a virtual one (a few minutes) =="
  TAMARI_DEMO_DIR=$(windows_dir "$demo") TAMARI_MIRROR_STATE="Z:$state" \
    timeout 1200 wine build/win/tests/shell/shell_e2e_test.exe --gtest_filter=demo.* 2>&1 |
    iconv -f CP932 -t UTF-8 -c | grep -v '^\[' | sed 's/^screenshot: /  screenshot: /'
  status=${PIPESTATUS[0]}
  mv build/win/screenshots/demo_*.png "$demo/screenshots/" 2>/dev/null
  echo "== screenshots of every page and dialog: $demo/screenshots/ =="
  ls "$demo/screenshots/"
else
  echo "== no display and no driver built: a screenshot of the first page, then Cancel =="
  (sleep 8; import -window root "$demo/screenshots/wizard.png" 2>/dev/null
   wine build/win/tests/shell/cancel_wizard.exe) &
  (cd "$demo" && wine tamari3.exe)
  status=$?
  wait
fi
set -e
echo "== finished with exit code $status =="
echo "== $demo/tamari3.ini =="
iconv -f CP932 -t UTF-8 "$demo/tamari3.ini" || cat "$demo/tamari3.ini"
echo "== $demo/tamari3.log (last lines) =="
tail -n 30 "$demo/tamari3.log" | iconv -f CP932 -t UTF-8 -c
echo "== installed below $demo/tex: =="
find "$demo/tex" -maxdepth 2 2>/dev/null | head -n 20
