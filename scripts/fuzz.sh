#!/usr/bin/env bash
# Builds the MIDI data library's fuzzer with clang (build-fuzz) and runs it
# for 60 seconds from the seed corpus in fuzz/corpus. Fails on any crash,
# sanitizer report, leak, input slower than 1 second or using more than
# 256 MB. The corpus grows in a scratch folder; the committed seeds stay.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${SONOMOT_FUZZ_SECONDS:-60}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DSONOMOT_FUZZ=ON -DSONOMOT_WERROR=ON \
  -DSONOMOT_WITH_QT=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null </dev/null
cmake --build build-fuzz --target midi_data_fuzzer -j "$(nproc)" </dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/* "$work/"
# A finding is written beside the corpus copy and libFuzzer exits non-zero.
# AddressSanitizer keeps up to 256 MB of freed memory in quarantine by
# default, which alone would reach the memory limit after a few thousand
# inputs; a small quarantine keeps the limit about the library's own use.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:detect_leaks=1}"
build-fuzz/bin/midi_data_fuzzer -max_total_time="$seconds" -rss_limit_mb=256 -timeout=1 \
  -max_len=8192 -print_final_stats=1 -artifact_prefix="$work/" "$work" </dev/null \
  || { echo "fuzz: the MIDI data library failed; the input:" >&2;
       ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* 2>/dev/null >&2;
       for f in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
         [ -e "$f" ] && od -A d -t x1 "$f" | head -20 >&2; done; exit 1; }
echo "fuzz: no findings in ${seconds} s" >&2
