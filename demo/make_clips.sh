#!/usr/bin/env bash
# Makes the two short lesson clips in content/videos/ (run once; the clips are
# committed, so neither the build nor serve.sh needs ffmpeg).
# Needs: apt-get install ffmpeg fonts-arphic-ukai
set -euo pipefail
out=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/content/videos
font=/usr/share/fonts/truetype/arphic/ukai.ttc

clip() { # file title subtitle background
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "color=c=$4:s=640x360:r=15:d=6" \
    -f lavfi -i "testsrc2=s=200x112:r=15:d=6" \
    -f lavfi -i "color=c=white:s=640x8:r=15:d=6" \
    -filter_complex "[0][1]overlay=x=400:y=190[a];[a]drawbox=x=0:y=344:w=640:h=8:c=white@0.3:t=fill[b];[b][2]overlay=x='-640+640*t/6':y=344,drawtext=fontfile=$font:text='$2':fontcolor=white:fontsize=40:x=40:y=50,drawtext=fontfile=$font:text='$3':fontcolor=white@0.85:fontsize=24:x=40:y=120,drawtext=fontfile=$font:text='示例播放 %{eif\:t+1\:d} / 6 秒':fontcolor=yellow:fontsize=22:x=40:y=250" \
    -c:v libvpx-vp9 -crf 42 -b:v 0 -deadline good -cpu-used 4 -row-mt 1 \
    -pix_fmt yuv420p -an "$out/$1"
}

mkdir -p "$out"
clip kovrin-lesson.webm 'Kovrin 编程视频教学' '演示片段：界面组件与事件' '0x2d6fb4'
clip java-lesson.webm 'JAVA 编程视频教学' '演示片段：类、对象与方法' '0x3a7d3a'
ls -l "$out"
