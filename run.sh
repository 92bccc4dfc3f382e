#!/usr/bin/env bash
# One command from a fresh Debian 12 machine to the running program: installs
# what is missing, builds, starts the demo content server and runs
# build/bin/resourcebox. Without a display ($DISPLAY empty) the program runs
# under Xvfb; run.sh then waits until the main window has loaded, saves a
# screenshot of the screen and stops.
set -euo pipefail
# The window checks look windows up by their Chinese titles (xdotool's regular
# expressions), which needs a UTF-8 locale; C.UTF-8 is always there on Debian.
export LC_ALL=C.UTF-8

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$repo/build
shot=
install=1
headless=auto
wait_secs=90

usage() {
  cat <<EOF
usage: ./run.sh [options]

  --build-dir DIR    build folder (default: build)
  --screenshot FILE  where the screenshot goes without a display
                     (default: <build folder>/run-screenshot.png)
  --headless         use Xvfb and take the screenshot even with a display
  --no-install       do not check or install Debian packages
  --wait SECONDS     longest wait for the main window without a display
                     (default: 90)
EOF
}

say() { echo "run.sh: $*"; }
die() { echo "run.sh: $*" >&2; exit 1; }

while [[ $# -gt 0 ]]; do
  case $1 in
    --build-dir) build=$(realpath -m "${2:?--build-dir needs a folder}"); shift 2 ;;
    --screenshot) shot=$(realpath -m "${2:?--screenshot needs a file}"); shift 2 ;;
    --headless) headless=1; shift ;;
    --no-install) install=0; shift ;;
    --wait) wait_secs=${2:?--wait needs seconds}; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; die "unknown argument: $1" ;;
  esac
done
[[ $wait_secs =~ ^[0-9]+$ ]] || die "--wait takes whole seconds: $wait_secs"
[[ -n $shot ]] || shot=$build/run-screenshot.png
if [[ $headless == auto ]]; then
  if [[ -z ${DISPLAY:-} ]]; then headless=1; else headless=0; fi
fi

# --- 1. Debian packages -------------------------------------------------------
packages=(build-essential cmake ninja-build pkg-config python3
  qt6-base-dev qt6-webengine-dev qt6-svg-dev libcurl4-openssl-dev
  libcpp-httplib-dev libgtest-dev libgmock-dev lighttpd
  xvfb xdotool imagemagick wmdocker fonts-wqy-microhei fonts-arphic-ukai
  libgl1-mesa-dri)

if [[ $install -eq 1 ]]; then
  command -v dpkg >/dev/null || die "no dpkg: install the packages by hand and use --no-install"
  missing=()
  for p in "${packages[@]}"; do
    dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed' || missing+=("$p")
  done
  if [[ ${#missing[@]} -gt 0 ]]; then
    sudo=()
    if [[ $(id -u) -ne 0 ]]; then
      command -v sudo >/dev/null || die "missing packages (${missing[*]}); run as root or install sudo"
      sudo=(sudo)
    fi
    say "installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 \
      install -y --no-install-recommends "${missing[@]}"
  fi
fi

# --- 2. Build -------------------------------------------------------------------
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
program=$build/bin/resourcebox
[[ -x $program ]] || die "the build made no $program"

# --- 3. Demo content server -------------------------------------------------
# Serve on the ports the program was built for, when they are loopback ones.
ports=()
for var in RB_CONTENT_BASE_URL RB_COMMUNITY_BASE_URL RB_FORUM_BASE_URL RB_TASK_PAGE_BASE_URL; do
  url=$(sed -n "s|^$var:[A-Z]*=||p" "$build/CMakeCache.txt")
  if [[ $url =~ ^http://127\.0\.0\.1:([0-9]+)/$ ]]; then
    ports+=("${BASH_REMATCH[1]}")
  else
    say "note: $var is '$url', not a demo server address; the program will not see the demo content"
  fi
done
serve_args=(--dir "$build/demo-site")
[[ ${#ports[@]} -eq 4 ]] && serve_args+=(--ports "$(IFS=,; echo "${ports[*]}")")

pids=()
cleanup() {
  local pid i
  # Our own children only, newest first: program, tray host, X server.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill -TERM "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  "$repo/demo/serve.sh" stop "${serve_args[@]}" >/dev/null || true
  [[ -n ${runtime_dir:-} ]] && rm -rf "$runtime_dir"
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$repo/demo/serve.sh" start "${serve_args[@]}"

# --- 4. The program ---------------------------------------------------------------
if [[ $headless -eq 0 ]]; then
  say "starting $program on $DISPLAY; the demo server stops when it ends"
  status=0
  "$program" || status=$?
  exit "$status"
fi

# No display: a virtual one, with a tray host for the notification icon.
for n in $(seq 99 199); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || break
done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.05; done
[[ -e /tmp/.X11-unix/X$n ]] || die "Xvfb did not start on :$n"
export DISPLAY=:$n
runtime_dir=$(mktemp -d)
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR=$runtime_dir
# Software rendering keeps the web views from burning the CPU under Xvfb.
export QT_QUICK_BACKEND=software

wmdocker -iconsize 32 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  dock=$(xdotool search --name '^Docker$' 2>/dev/null | head -n1) && [[ -n $dock ]] && break
  sleep 0.05
done
# Without a window manager the tray host's window stays unmapped.
if [[ -n ${dock:-} ]] && xdotool windowmap "$dock"; then :; else
  say "note: no tray host; the tray icon will be missing"
fi

access_log=$build/demo-site/run/access.log
say "starting $program on the virtual display $DISPLAY"
"$program" >"$build/run-program.log" 2>&1 &
prog=$!
pids+=("$prog")

# Loaded: a window of the program is on screen and the community home page of
# its browser box has been fetched together with its style sheet.
loaded=0
for _ in $(seq $((wait_secs * 10))); do
  kill -0 "$prog" 2>/dev/null || break
  if xdotool search --onlyvisible --pid "$prog" >/dev/null 2>&1 &&
    grep -q '"GET /ekovrin/ ' "$access_log" 2>/dev/null &&
    grep -q '"GET /static/site.css ' "$access_log" 2>/dev/null; then
    loaded=1
    break
  fi
  sleep 0.1
done
if ! kill -0 "$prog" 2>/dev/null; then
  wait "$prog" && status=0 || status=$?
  tail -n 20 "$build/run-program.log" >&2
  die "the program ended (status $status) before its window had loaded; its output is in $build/run-program.log"
fi
if [[ $loaded -eq 1 ]]; then
  sleep 2 # let the page paint
else
  say "note: the main window had not loaded after $wait_secs s; taking the screenshot anyway"
fi
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
say "screenshot of the main window: $shot"
say "program output: $build/run-program.log; stopping the program and the demo server"
[[ $loaded -eq 1 ]]
