#!/usr/bin/env bash
# Installs what is missing, builds the client and the sample engine, and runs
# the client against the sample engine's demo: the client starts the engine as
# its local server ("/a"), shows the demo forms, and stops the engine ("/s")
# when the session ends.
#   E3_DEMO_TRANSPORT=soap   use SOAP instead of CORBA
# Without a display the client runs under xvfb-run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/install-deps.sh

export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target filingclient sample-engine

corba=1
[[ "${E3_DEMO_TRANSPORT:-corba}" == soap ]] && corba=0

# The client reads the INI beside its own program, so it runs from a folder of
# its own.
demo="$here/build/demo"
mkdir -p "$demo"
cp -f build/src/client/program/filingclient "$demo/filingclient"
# The client's own texts come from the dictionary beside the program.
cp -f build/src/client/program/filingclient.lgf "$demo/filingclient.lgf"
cat > "$demo/filingclient.ini" <<INI
[Common]
Default language=en
CORBA=$corba
RetryConnect=5
[Location]
FMExeName=$here/build/tools/sample-engine/sample-engine
[CORBA]
ORBBINDADDR=inet:localhost:11000
[SOAP]
ORBBINDADDR=inet:localhost:21000
INI

cd "$demo"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$demo/filingclient" "$@"
else
  echo "No display: the client runs under xvfb-run." >&2
  exec xvfb-run -a "$demo/filingclient" "$@"
fi
