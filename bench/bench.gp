# Latency distributions for scripts/bench, as cumulative distributions on a log time axis.
# Call with: gnuplot -e "dir='DATA DIR'; png='OUTPUT'" bench/bench.gp
set terminal pngcairo size 1200,520 font ",10" noenhanced
set output png
set multiplot layout 1,2
set grid
set key bottom right
set logscale x
set ylabel "fraction of calls at or below"
set yrange [0:1]

set title "One TimedLong across processes, flush (same run)"
set xlabel "latency per call [us]"
plot dir."/latency.txt" using 2:1 with lines lw 2 title "OutPort::write() -> our InPort", \
     dir."/latency.txt" using 3:1 with lines lw 2 title "bare omniORB InPortCdr::put (12 octets)"

set title "Execution-context tick lateness (same run)"
set xlabel "lateness beyond the best wake-up [us] (+1 us for the log axis)"
plot dir."/tick-ours-1000.txt"  using ($1+1):(1) smooth cnormal lw 2 title "ours 1 kHz (onExecute)", \
     dir."/tick-bare-1000.txt"  using ($1+1):(1) smooth cnormal lw 2 dt 2 title "bare loop 1 kHz", \
     dir."/tick-ours-10000.txt" using ($1+1):(1) smooth cnormal lw 2 title "ours 10 kHz (onExecute)", \
     dir."/tick-bare-10000.txt" using ($1+1):(1) smooth cnormal lw 2 dt 2 title "bare loop 10 kHz"
unset multiplot
