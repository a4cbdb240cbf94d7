# End-to-end: mip levels (mip_shots.sh measures the shimmer). Zoomed in,
# the top level must show the image as it is without levels. Sourced by run.

# shellcheck source=mip_shots.sh
source "$here/mip_shots.sh"

test_case "mip levels: a turn by a fraction of a pixel shimmers no more than the filtered copy"
measure_shimmer
echo "  change between the two pictures (RMSE/1000): filtered copy $reference," \
  "without levels $described ($((100 * described / reference))%)," \
  "with levels $levels ($((100 * levels / reference))%)"
echo "  distance from the filtered copy: without levels $described_off, with levels $levels_off"
check "with levels at most 1.25 times the filtered copy's change" \
  in_range "$((100 * levels))" 0 "$((125 * reference))"
check "with levels nearer the filtered copy than without" in_range "$levels_off" 0 "$described_off"

test_case "mip levels: zoomed in, the top level shows the image pixel for pixel"
# Tiles of 2048 x 1024: no level is resampled, so with and without levels
# the magnified picture must be the same.
noise_jpeg 4096 1024
mip_shot described-near "$noise" --no-options --fov 10 --pan "$mip_pan"
mip_shot levels-near "$noise" --fov 10 --pan "$mip_pan"
same=$(rmse described-near levels-near)
echo "  zoomed in, with and without levels differ by $same"
check "zoomed in, with and without levels the same picture ($same)" in_range "$same" 0 2
