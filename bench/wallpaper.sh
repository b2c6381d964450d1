#!/usr/bin/env bash
# End-to-end wallpaper renders: `sunnyside --render` against the same
# picture made by wallpaper_vips (../shared/perf-anchors: one libvips graph in
# C, shrink-on-load and box-approximated blurs, the fastest peer we know), by
# ImageMagick (convert) and by the vips command line, on a 20-megapixel, a
# 2.5-megapixel and a 48 x 30 photo, for a 2560 x 1600 screen. Prints each
# tool's median wall time over N runs, our median CPU time, how many times
# faster we are, and our peak memory. Cold means Mesa's shader cache is empty (a new
# MESA_SHADER_CACHE_DIR); "compiles" counts the programs and variants it stored. The floor is
# libjpeg-turbo's full decode of kleiber (djpeg, one core), timed in the same loops:
# "x floor" is cold and warm over it. Goals: kleiber warm 2.7 x the floor, the tiny photo
# 1.6 x, cold kleiber 7 x; peak under 250 MB.
#
#   bench/wallpaper.sh [runs]        (default 5; needs build/release, libvips-dev)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
app=build/release/bin/sunnyside
photos=(../shared/testdata/photos/kleiber_6028x3391.jpg ../shared/testdata/photos/storm_1920x1280.jpg)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
W=2560 H=1600
anchors=../shared/perf-anchors
peer=build/release/bin/wallpaper_vips
if [[ -f $anchors/wallpaper_vips.c ]] && pkg-config --exists vips &&
   { [[ ! -x $peer ]] || [[ $anchors/wallpaper_vips.c -nt $peer ]]; }; then
  # Built beside our binaries rather than in the shared folder.
  cc -O2 -std=c11 -o "$peer" "$anchors/wallpaper_vips.c" $(pkg-config --cflags --libs vips) -lm
fi
if command -v vips >/dev/null && [[ -f ${photos[0]} ]]; then
  vips thumbnail "${photos[0]}" "$out/tiny_48x30.jpg" 48 --height 30 --size force
  photos+=("$out/tiny_48x30.jpg")
fi

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }

# The same picture with ImageMagick: stretched, blurred background, motion
# blur, colour burn of the turned, blurred photo, shadow, border, photo, logo.
imagemagick() {
  local photo=$1 result=$2
  convert "$photo" -resize "${W}x${H}!" \( +clone -blur 0x20 -motion-blur 0x202+0 \) \
    \( "$photo" -resize "${W}x${H}!" -rotate 180 -blur 0x101 \) -compose ColorBurn -composite \
    \( "$photo" -resize "${W}x${H}>" \) -gravity center -compose Over -composite \
    assets/SunnysideWatermark.png -gravity northwest -geometry 150x30+40+50 -compose Over -composite \
    -quality 90 "$result"
}

# The same with vips: stretch, blur, turn, burn, place, logo.
vipscli() {
  local photo=$1 result=$2 d=$out/v
  mkdir -p "$d"
  vips thumbnail "$photo" "$d/bg.v" $W --height $H --size force
  vips gaussblur "$d/bg.v" "$d/bgb.v" 20
  vips rot "$d/bg.v" "$d/rot.v" d180
  vips gaussblur "$d/rot.v" "$d/rotb.v" 101
  vips composite2 "$d/bgb.v" "$d/rotb.v" "$d/burn.v" colour-burn
  vips thumbnail "$photo" "$d/fg.v" $W --height $H
  vips insert "$d/burn.v" "$d/fg.v" "$d/placed.v" 0 100
  vips composite2 "$d/placed.v" assets/SunnysideWatermark.png "$d/logo.v" over --x 40 --y 50
  vips copy "$d/logo.v" "$result[Q=90]"
}

floorPhoto=${photos[0]}
floor() { if command -v djpeg >/dev/null; then seconds djpeg -outfile /dev/null "$floorPhoto" >>"$out/floor"; fi; }
: >"$out/floor"
printf '%-30s %7s %8s %7s %7s %11s %9s %7s %9s %7s %9s %9s %7s\n' photo "cold s" "compiles" "warm s" "cpu s" "x floor c/w" "peer s" "x peer" "convert s" "x conv" "vips s" "x vips" "peak MB"
for photo in "${photos[@]}"; do
  [[ -f "$photo" ]] || { echo "skipping $photo (not there)"; continue; }
  cold=$(for i in $(seq "$runs"); do
    cache=$(mktemp -d); MESA_SHADER_CACHE_DIR=$cache seconds "$app" --render "$photo" --size ${W}x${H} --output "$out/c.jpg"
    # Each entry Mesa stored is a compile that a cold run paid for.
    find "$cache" -type f ! -name index | wc -l >"$out/compiles"; rm -rf "$cache"
    floor
  done | median)
  compiles=$(cat "$out/compiles")
  "$app" --render "$photo" --size ${W}x${H} --output "$out/w.jpg" >/dev/null 2>&1 # fill the cache
  # Ours and the peer alternate in one loop, so that a busy machine slows both
  # alike; CPU time (user + system, all threads) is steadier than wall time.
  : >"$out/ours" >"$out/cpu" >"$out/peer"
  for i in $(seq "$runs"); do
    /usr/bin/time -f '%e %U %S' -o "$out/t" "$app" --render "$photo" --size ${W}x${H} --output "$out/w.jpg" >/dev/null 2>&1
    awk -v o="$out" '{print $1 >> (o "/ours"); print $2 + $3 >> (o "/cpu")}' "$out/t"
    if [[ -x $peer ]]; then seconds "$peer" "$photo" "$out/pr.jpg" $W $H --shrink-on-load --approx >>"$out/peer"; fi
    floor
  done
  warm=$(median <"$out/ours")
  cpu=$(median <"$out/cpu")
  xfloor=n/a
  if [[ -s $out/floor ]]; then
    fl=$(median <"$out/floor")
    xfloor=$(printf '%.1f/%.1f' "$(echo "$cold / $fl" | bc -l)" "$(echo "$warm / $fl" | bc -l)")
  fi
  peak=$( { /usr/bin/time -f '%M' "$app" --render "$photo" --size ${W}x${H} --output "$out/w.jpg" >/dev/null; } 2>&1 | tail -1)
  im=n/a vp=n/a rim=n/a rvp=n/a pr=n/a rpr=n/a
  if [[ -x $peer ]]; then
    pr=$(median <"$out/peer" | xargs printf '%.3f')
    rpr=$(echo "$pr / $warm" | bc -l | xargs printf '%.2f')
  fi
  # ImageMagick takes minutes a run here: only when asked (WALLPAPER_BENCH_CONVERT=1).
  if [[ ${WALLPAPER_BENCH_CONVERT:-0} == 1 ]] && command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; then
    im=$(for i in $(seq "$runs"); do seconds imagemagick "$photo" "$out/im.jpg"; done | median | xargs printf '%.3f')
    rim=$(echo "$im / $warm" | bc -l | xargs printf '%.1f')
  fi
  if command -v vips >/dev/null; then
    vp=$(for i in $(seq "$runs"); do seconds vipscli "$photo" "$out/vp.jpg"; done | median | xargs printf '%.3f')
    rvp=$(echo "$vp / $warm" | bc -l | xargs printf '%.1f')
  fi
  printf '%-30s %7.3f %8d %7.3f %7.2f %11s %9s %7s %9s %7s %9s %9s %7d\n' "$(basename "$photo")" "$cold" "$compiles" "$warm" "$cpu" "$xfloor" "$pr" "$rpr" "$im" "$rim" "$vp" "$rvp" $((peak / 1024))
done
