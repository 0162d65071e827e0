# Benchmark programs of the motion export.
