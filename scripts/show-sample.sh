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
show meta "$dir/cell.dat"
show list "$dir/cell.dat"
