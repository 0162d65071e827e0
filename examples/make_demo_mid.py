#!/usr/bin/env python3
"""Writes demo.mid: four bars of a children's tune for piano, both hands in
one track with the sustain pedal, so that one export moves melody, chords
and pedal; and demo_hands.mid: the same tune as piano files usually come,
the right hand on one track, the left hand with the pedal on another, and
a drum track on channel 10 beside them, for the export that merges tracks.
Run it from anywhere: python3 examples/make_demo_mid.py"""
import os
import struct

DIVISION = 480  # ticks per quarter note
BAR = 4 * DIVISION


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def meta(kind, data):
    return bytes([0xFF, kind]) + var_len(len(data)) + data


def track_chunk(events):
    """events: (absolute tick, order, bytes); releases sort before presses
    at the same tick."""
    body = b""
    now = 0
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += var_len(tick - now) + data
        now = tick
    body += var_len(0) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + body


def note(events, start, length, key, velocity, channel=0):
    events.append((start, 1, bytes([0x90 | channel, key, velocity])))
    events.append((start + length, 0, bytes([0x80 | channel, key, 0])))


def main():
    conductor = [
        (0, 0, meta(0x03, b"Sonomot Demo")),
        (0, 0, meta(0x02, b"(c) the Sonomot developers, free to use")),
        (0, 0, meta(0x01, b"Right hand melody, left hand chords, sustain pedal")),
        (0, 0, meta(0x58, bytes([4, 2, 24, 8]))),
        (0, 0, meta(0x51, (500000).to_bytes(3, "big"))),  # 120 BPM
    ]

    q = DIVISION
    right = [(0, 0, meta(0x03, b"Right hand")), (0, 0, bytes([0xC0, 0]))]
    # Right hand: E D C D | E E E - | D D D - | E G G -
    melody = [(64, 1), (62, 1), (60, 1), (62, 1),
              (64, 1), (64, 1), (64, 2),
              (62, 1), (62, 1), (62, 2),
              (64, 1), (67, 1), (67, 2)]
    tick = 0
    for key, beats in melody:
        note(right, tick, beats * q - 30, key, 88)
        tick += beats * q
    left = [(0, 0, meta(0x03, b"Left hand")), (0, 0, bytes([0xC1, 0]))]
    # Left hand: a chord per half bar.
    chords = [(48, 52, 55), (48, 52, 55), (43, 47, 50), (48, 52, 55),
              (43, 47, 50), (43, 47, 50), (48, 52, 55), (48, 52, 55)]
    for i, chord in enumerate(chords):
        for key in chord:
            note(left, i * 2 * q, 2 * q - 40, key, 64, channel=1)
    # Pedal: down just after each bar starts, up just before the next.
    for bar in range(4):
        left.append((bar * BAR + 20, 2, bytes([0xB1, 64, 127])))
        left.append(((bar + 1) * BAR - 10, 2, bytes([0xB1, 64, 0])))

    # demo.mid holds both hands on channel 1 of one track named Piano.
    piano = [(0, 0, meta(0x03, b"Piano")), (0, 0, bytes([0xC0, 0]))]
    for tick, order, data in right[2:] + left[2:]:
        piano.append((tick, order, bytes([data[0] & 0xF0]) + data[1:]))
    write("demo.mid", [conductor, piano])

    # Drums: a bass drum on every beat, on channel 10.
    drums = [(0, 0, meta(0x03, b"Drums"))]
    for beat in range(16):
        note(drums, beat * q, q // 4, 36, 100, channel=9)
    write("demo_hands.mid", [conductor, right, left, drums])


def write(name, tracks):
    data = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), DIVISION)
    for events in tracks:
        data += track_chunk(events)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), name)
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
