#!/usr/bin/env bash
# Runs the tool on the generated sample dataset, showing each command before its output.
set -u
tool=$1
dir=$2
show() {
  echo "\$ dat-tool $*"
  "$tool" "$@"
  echo
}
show meta "$dir/portal.dat"
show list "$dir/portal.dat"
show spell-export "$dir/portal.dat" --fields name,school,power,base-range-constant --schools war,void
show spell-export "$dir/portal.dat" --preset minimal -o "$dir/export/spells.json"
show meta "$dir/cell.dat"
show list "$dir/cell.dat"
show weenie "$dir/portal.dat" 0x0E001000
show weenie "$dir/portal.dat" 0x0E000002
show weenie-find "$dir/portal.dat" 0x10
show weenie-find "$dir/portal.dat" 99
show landblock "$dir/cell.dat" 0xA9B40000
show landblock "$dir/cell.dat" 0xA9B5FFFF
show landblock "$dir/cell.dat" 0x12340000
