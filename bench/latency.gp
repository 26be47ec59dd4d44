# TrimulComp's x1 -> y1 / y3 latency beside the bare omniORB call, as cumulative distributions on
# a log time axis, one panel per execution rate. Call with:
#   gnuplot -e "dir='DATA DIR'; png='OUTPUT'" bench/latency.gp
# Each chain-lat-TAG.txt line: quantile, y3 us, y1 us, bare put us (sorted apart, same count).
set terminal pngcairo size 1200,520 font ",10" noenhanced
set output png
set multiplot layout 1,2
set grid
set key bottom right
set logscale x
set ylabel "fraction of samples at or below"
set yrange [0:1]
set xlabel "time from write() on x1 [us]; bare: one put [us]"

set title "TrimulComp at 1 kHz, input at a random phase (same run)"
plot dir."/chain-lat-1k.txt" using 3:1 with lines lw 2 title "x1 -> y1", \
     dir."/chain-lat-1k.txt" using 2:1 with lines lw 2 title "x1 -> y3", \
     dir."/chain-lat-1k.txt" using 4:1 with lines lw 2 dt 2 title "bare omniORB put (12 octets)"

set title "TrimulComp at 10 kHz, input at a random phase (same run)"
plot dir."/chain-lat-10k.txt" using 3:1 with lines lw 2 title "x1 -> y1", \
     dir."/chain-lat-10k.txt" using 2:1 with lines lw 2 title "x1 -> y3", \
     dir."/chain-lat-10k.txt" using 4:1 with lines lw 2 dt 2 title "bare omniORB put (12 octets)"
unset multiplot
