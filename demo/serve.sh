#!/usr/bin/env bash
# Demo content server for resourcebox: lays out the demo site (GBK catalogs,
# packages, version files, video and community pages) and serves it with
# lighttpd on 127.0.0.1 only, one port per base URL.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")

usage() {
  cat <<EOF
usage: demo/serve.sh [start|stop|status|layout] [options]

  start    lay out the site and start lighttpd (default command); a server
           started earlier from the same folder is stopped first
  stop     stop the server started from the folder
  status   say whether it runs, and where
  layout   only lay out the site

options:
  --dir DIR          site folder (default: $repo/build/demo-site)
  --ports A,B,C,D    content, community, forum and task page ports
                     (default: 18080,18081,18082,18083)
  --foreground       keep lighttpd in the foreground (Ctrl-C stops it)
  --background       detach lighttpd (default)
  --announce TEXT    version announced by update.txt and 检查更新.txt
                     (default: V2.0, the client's own: no update offered)
  --rate KBPS        limit .zip transfers to KBPS kilobytes per second so a
                     download is seen in progress (default: 512; 0: no limit)
EOF
}

die() { echo "serve.sh: $*" >&2; exit 1; }

cmd=start
dir=$repo/build/demo-site
ports=18080,18081,18082,18083
foreground=0
announce=
rate=512

if [[ $# -gt 0 && $1 != -* ]]; then
  cmd=$1
  shift
fi
while [[ $# -gt 0 ]]; do
  case $1 in
    --dir) dir=${2:?--dir needs a folder}; shift 2 ;;
    --ports) ports=${2:?--ports needs four ports}; shift 2 ;;
    --foreground) foreground=1; shift ;;
    --background) foreground=0; shift ;;
    --announce) announce=${2?--announce needs a text}; shift 2 ;;
    --rate) rate=${2:?--rate needs a number}; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; die "unknown argument: $1" ;;
  esac
done
case $cmd in start|stop|status|layout) ;; *) usage >&2; die "unknown command: $cmd" ;; esac

IFS=, read -r -a port <<<"$ports"
[[ ${#port[@]} -eq 4 ]] || die "--ports takes four ports, got: $ports"
for p in "${port[@]}"; do
  [[ $p =~ ^[0-9]+$ && $p -ge 1 && $p -le 65535 ]] || die "bad port: $p"
done
[[ $(printf '%s\n' "${port[@]}" | sort -u | wc -l) -eq 4 ]] || die "ports must differ: $ports"
[[ $rate =~ ^[0-9]+$ ]] || die "--rate takes a whole number: $rate"

dir=$(realpath -m "$dir")
# The folder goes into the lighttpd config as a quoted string.
[[ $dir != *[\"\\]* ]] || die "the site folder may not contain '\"' or '\\': $dir"
run=$dir/run
conf=$run/lighttpd.conf
pidfile=$run/lighttpd.pid

base() { echo "http://127.0.0.1:$1/"; }

# The pid of the lighttpd started from this folder, if it still runs. The
# pid file alone is not trusted: the number may have been reused.
server_pid() {
  [[ -f $pidfile ]] || return 1
  local pid
  pid=$(<"$pidfile")
  [[ $pid =~ ^[0-9]+$ ]] || return 1
  [[ -r /proc/$pid/cmdline ]] || return 1
  tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q "lighttpd.* $conf" || return 1
  echo "$pid"
}

stop_server() {
  local pid
  pid=$(server_pid) || { echo "serve.sh: no demo server runs from $dir"; return 0; }
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    [[ -d /proc/$pid ]] || break
    sleep 0.1
  done
  if [[ -d /proc/$pid ]]; then
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -f "$pidfile"
  echo "serve.sh: stopped the demo server (pid $pid)"
}

lay_out() {
  command -v python3 >/dev/null || die "python3 is needed to lay out the site"
  python3 "$here/layout_site.py" --out "$dir" \
    --content-base "$(base "${port[0]}")" --community-base "$(base "${port[1]}")" \
    --forum-base "$(base "${port[2]}")" --task-base "$(base "${port[3]}")" \
    --announce "$announce"
}

write_conf() {
  mkdir -p "$run"
  {
    cat <<EOF
# Written by demo/serve.sh; rewritten at every start.
server.modules = ( "mod_indexfile", "mod_staticfile", "mod_accesslog" )
server.bind = "127.0.0.1"
server.port = ${port[0]}
server.document-root = "$dir/content"
server.pid-file = "$pidfile"
server.errorlog = "$run/error.log"
accesslog.filename = "$run/access.log"
server.tag = "resourcebox-demo"
server.range-requests = "enable"
index-file.names = ( "index.html" )
# Pages such as plugin.php are plain files here: nothing is excluded.
static-file.exclude-extensions = ( )
# The client sends GBK file names, percent-encoded; they are not UTF-8.
server.http-parseopts = ( "url-invalid-utf8-reject" => "disable" )
mimetype.assign = (
  ".zip" => "application/zip",
  ".txt" => "text/plain",
  ".webm" => "video/webm",
  ".html" => "text/html; charset=utf-8",
  ".php" => "text/html; charset=utf-8",
  ".css" => "text/css; charset=utf-8",
  ".js" => "text/javascript; charset=utf-8",
  ".svg" => "image/svg+xml",
  ".png" => "image/png",
  "" => "application/octet-stream",
)
\$SERVER["socket"] == "127.0.0.1:${port[1]}" { server.document-root = "$dir/community" }
\$SERVER["socket"] == "127.0.0.1:${port[2]}" { server.document-root = "$dir/forum" }
\$SERVER["socket"] == "127.0.0.1:${port[3]}" { server.document-root = "$dir/task" }
EOF
    if [[ $rate -gt 0 ]]; then
      cat <<EOF
\$HTTP["url"] =~ "\\.zip\$" { connection.kbytes-per-second = $rate }
EOF
    fi
  } >"$conf"
}

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

print_where() {
  echo "serve.sh: content   $(base "${port[0]}")  (catalogs, packages, update.txt)"
  echo "serve.sh: community $(base "${port[1]}")ekovrin/"
  echo "serve.sh: forum     $(base "${port[2]}")"
  echo "serve.sh: task page $(base "${port[3]}")home.php?mod=task"
}

case $cmd in
  stop) stop_server; exit 0 ;;
  layout) lay_out; exit 0 ;;
  status)
    if pid=$(server_pid); then
      echo "serve.sh: demo server runs (pid $pid) from $dir"
      exit 0
    fi
    echo "serve.sh: no demo server runs from $dir"
    exit 3 ;;
esac

lighttpd=$(command -v lighttpd || true)
[[ -n $lighttpd ]] || lighttpd=/usr/sbin/lighttpd
[[ -x $lighttpd ]] || die "lighttpd is not installed (apt-get install lighttpd)"

if server_pid >/dev/null; then stop_server; fi
for p in "${port[@]}"; do
  port_open "$p" && die "port $p on 127.0.0.1 is taken by another program; choose others with --ports"
done
lay_out
write_conf
"$lighttpd" -tt -f "$conf" >/dev/null || die "lighttpd rejects $conf"
: >"$run/error.log"
: >"$run/access.log"

if [[ $foreground -eq 1 ]]; then
  print_where
  echo "serve.sh: serving in the foreground; Ctrl-C stops"
  exec "$lighttpd" -D -f "$conf"
fi

if ! "$lighttpd" -f "$conf"; then
  cat "$run/error.log" >&2
  die "lighttpd did not start"
fi
for _ in $(seq 100); do
  ready=1
  for p in "${port[@]}"; do port_open "$p" || ready=0; done
  [[ $ready -eq 1 ]] && server_pid >/dev/null && break
  sleep 0.05
done
if [[ $ready -ne 1 ]]; then
  cat "$run/error.log" >&2
  stop_server >/dev/null
  die "lighttpd did not open its ports"
fi
print_where
echo "serve.sh: running in the background (pid $(server_pid)); stop it with: $0 stop --dir $dir"
