#!/usr/bin/env bash
# Saves the whole X screen as PNG:  scripts/screenshot.sh NAME [DIR]
# DIR defaults to $KLV_SCREENSHOTS, else build/screenshots. Prints the path.
set -euo pipefail
name=$1
dir=${2:-${KLV_SCREENSHOTS:-$(cd "$(dirname "$0")/.." && pwd)/build/screenshots}}
mkdir -p "$dir"
out="$dir/$name.png"
xwd -root -silent -display "${DISPLAY:?no DISPLAY}" | convert xwd:- "$out"
echo "$out"
