# Writes the demo's ringing clock as an oscilloscope's CSV export: 3.3 V
# pulses at 1 MHz sampled at 1 GS/s (4000 samples), 30 ns edges, 40 % duty
# cycle, a ring of 8 % after each edge decaying over 25 ns (the pulse train
# of scene_measurement.c).
#
#   awk -f examples/clock.awk > clock.csv
BEGIN {
    print "time,CH1"
    for (i = 0; i < 4000; i++) {
        p = i % 1000
        if (p < 100) { v = 0; since = p + 570 }
        else if (p < 130) { v = (p - 100) / 30; since = -1 }
        else if (p < 500) { v = 1; since = p - 130 }
        else if (p < 530) { v = 1 - (p - 500) / 30; since = -1 }
        else { v = 0; since = p - 530 }
        ring = since < 0 ? 0 : 0.08 * exp(-since / 25) * sin(since / 6)
        printf "%.17g,%.17g\n", i * 1e-9, 3.3 * (v + (v > 0.5 ? ring : -ring))
    }
}
