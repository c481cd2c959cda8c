#!/usr/bin/env bash
# Shared by the graph library's Wine test wrappers: turns the BMP snapshots a
# test program wrote into PNG files.
convert_snapshots() {
  command -v convert >/dev/null || return 0
  for bmp in "$KLV_SCREENSHOTS"/graphlib_*.bmp; do
    [ -f "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
}
snapshot_dir_for_windows() {
  echo "Z:$KLV_SCREENSHOTS"
}
