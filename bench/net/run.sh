#!/bin/sh
# Download benchmark: a download task against the curl tool, over loopback,
# from a lighttpd serving one large file. Builds what it needs first.
#
#   bench/net/run.sh [rounds] [size in MiB]
set -eu
ROUNDS=${1:-6}
SIZE_MIB=${2:-512}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${RB_BENCH_BUILD:-$ROOT/build-bench}

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DRB_WITH_NET_BENCH=ON -DRB_WITH_QT=OFF -DRB_WITH_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target rb_net_bench -j2 >/dev/null

WORK=$(mktemp -d "${TMPDIR:-/tmp}/rb-net-bench.XXXXXX")
SERVER_PID=
cleanup() {
  if [ -n "$SERVER_PID" ]; then kill "$SERVER_PID" 2>/dev/null || true; wait "$SERVER_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

mkdir -p "$WORK/www" "$WORK/out"
head -c "$((SIZE_MIB * 1024 * 1024))" /dev/urandom > "$WORK/www/big.bin"

PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > "$WORK/lighttpd.conf" <<CONF
server.document-root = "$WORK/www"
server.bind = "127.0.0.1"
server.port = $PORT
server.errorlog = "$WORK/lighttpd-error.log"
server.modules = ()
mimetype.assign = (".bin" => "application/octet-stream")
CONF
lighttpd -D -f "$WORK/lighttpd.conf" &
SERVER_PID=$!
i=0
until curl -s -o /dev/null "http://127.0.0.1:$PORT/big.bin" -r 0-0; do
  i=$((i + 1)); [ $i -lt 50 ] || { echo "server did not start" >&2; exit 1; }
  sleep 0.1
done

echo "lighttpd on 127.0.0.1:$PORT, file ${SIZE_MIB} MiB, $ROUNDS rounds"
"$BUILD/bin/rb_net_bench" "http://127.0.0.1:$PORT/big.bin" "$WORK/out" "$ROUNDS" curl
