#!/usr/bin/env bash
# Runs the tool on the generated sample dataset, showing each command before its output.
# Commands that write files run inside DIR/out, so their default file names land there.
set -u
tool=$(realpath "$1")
dir=$2
show() {
  echo "\$ dat-tool $*"
  "$tool" "$@"
  echo
}
show_in_out() {
  (cd "$dir/out" && show "$@")
}
mkdir -p "$dir/out"
show meta "$dir/portal.dat"
show list "$dir/portal.dat"
show info "$dir/portal.dat" 0x0600127D
show_in_out export ../portal.dat 0x0E000002
show_in_out extract ../portal.dat 0x0600127D
show_in_out extract ../portal.dat 0x06001280
show_in_out extract ../portal.dat 0x0A000001
show_in_out extract ../portal.dat 0x0100002A
show_in_out extract ../portal.dat 0x0D000107
echo "Files written to $dir/out:"
(cd "$dir/out" && for f in *; do printf '%8d  %s\n' "$(stat -c %s "$f")" "$f"; done)
echo
show spell-export "$dir/portal.dat" --fields name,school,power,base-range-constant --schools war,void
show spell-export "$dir/portal.dat" --preset minimal -o "$dir/export/spells.json"
show weenie "$dir/portal.dat" 0x0E001000
show weenie "$dir/portal.dat" 0x0E000002
show weenie-find "$dir/portal.dat" 0x10
show weenie-find "$dir/portal.dat" 99
show meta "$dir/cell.dat"
show list "$dir/cell.dat"
show info "$dir/cell.dat" 0xA9B4FFFF
show landblock "$dir/cell.dat" 0xA9B40000
show landblock "$dir/cell.dat" 0xA9B5FFFF
show landblock "$dir/cell.dat" 0x12340000
show tsy-pack "$dir/loose" "$dir/portal.tsy" --compress
show meta "$dir/portal.tsy"
show list "$dir/portal.tsy"
show info "$dir/portal.tsy" 0x0600127D
show_in_out export ../portal.tsy 0x0600127D
show_in_out extract ../portal.tsy 0x0600127D --namespace eor/portal -o archive_texture.jpg
