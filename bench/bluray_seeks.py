#!/usr/bin/env python3
"""Seeks on a Blu-ray title with and without "-demuxer lavf", as the player sends them.

usage: bluray_seeks.py DISC [RUNS] [TITLE] [AID]

DISC is a folder holding BDMV (build/tests/bdfixture/make_bd_fixture DIR 10 makes one).
Each run starts mplayer in slave mode on br://TITLE, waits until it plays, sends an absolute
forward seek, 0.5 s later an absolute backward seek, and polls get_time_pos every 100 ms.
A second kind of run sends the forward seek alone and measures how long the position stands
still afterwards. Prints one line per run and a summary per demuxer. The third variant is
what the player runs for a Blu-ray title: MPlayer's own demuxer told the audio stream by PID
(AID, 4352 = 0x1100 unless given).
"""
import queue
import subprocess
import sys
import threading
import time

FORWARD = 12.0  # absolute seconds sent with "seek N 2"
BACKWARD = 4.0


def start(disc, title, extra):
    args = ["mplayer"] + extra
    args += ["-ni", "-slave", "-quiet", "-vo", "null", "-ao", "null", "-lavdopts", "threads=4",
             "br://%d" % title, "-bluray-device", disc]
    p = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, bufsize=0)
    lines = queue.Queue()

    def reader():
        for raw in iter(p.stdout.readline, b""):
            lines.put((time.monotonic(), raw.decode("latin-1").rstrip()))
    threading.Thread(target=reader, daemon=True).start()
    return p, lines


def send(p, text):
    p.stdin.write(text.encode() + b"\n")
    p.stdin.flush()


def positions(p, lines, seconds, events=()):
    """Polls get_time_pos for `seconds`; sends each (delay, command) of events on time."""
    t0 = time.monotonic()
    pending = list(events)
    out = []
    while time.monotonic() - t0 < seconds:
        now = time.monotonic() - t0
        while pending and pending[0][0] <= now:
            send(p, pending.pop(0)[1])
        send(p, "get_time_pos")
        deadline = time.monotonic() + 0.1
        while time.monotonic() < deadline:
            try:
                t, line = lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                break
            if line.startswith("ANS_TIME_POSITION="):
                out.append((t - t0, float(line.split("=", 1)[1])))
    return out


def wait_playing(p, lines):
    pos = positions(p, lines, 3.0)
    return pos[-1][1] if pos else None


def run_pair(disc, title, extra):
    p, lines = start(disc, title, extra)
    try:
        base = wait_playing(p, lines)
        pos = positions(p, lines, 3.5, [(0.0, "seek %g 2" % FORWARD), (0.5, "seek %g 2" % BACKWARD)])
    finally:
        send(p, "quit")
        p.wait(5)
    final = pos[-1][1] if pos else None
    # The backward seek took effect when the position ends up nearer BACKWARD than FORWARD.
    # Answers carry the title's start time on top (about 1.4 s here): "seek 4 2" answers
    # about 5.4, well below FORWARD for the rest of the window.
    seen = [t for t, v in pos if v >= FORWARD]
    kept = final is not None and final < FORWARD
    back = [t for t, v in pos if t > 0.5 and v < FORWARD and seen and t > seen[0]]
    delay = back[0] - 0.5 if back else None
    return base, final, kept, delay, pos, bool(seen)


def run_forward(disc, title, extra):
    p, lines = start(disc, title, extra)
    try:
        wait_playing(p, lines)
        pos = positions(p, lines, 6.0, [(0.0, "seek %g 2" % FORWARD)])
    finally:
        send(p, "quit")
        p.wait(5)
    # From the first answer at the target: how long until the position moves on.
    at = [(t, v) for t, v in pos if v >= FORWARD - 0.5]
    stall = 0.0
    if at:
        moved = [t for t, v in at if v > at[0][1] + 0.05]
        stall = (moved[0] if moved else pos[-1][0]) - at[0][0]
    return stall, pos


def main():
    disc = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 6
    title = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    aid = sys.argv[4] if len(sys.argv) > 4 else "4352"
    variants = [("lavf", ["-demuxer", "lavf"]), ("native", []), ("aid", ["-aid", aid])]
    for name, extra in variants:
        lost = 0
        stalls = []
        delays = []
        forward_lost = 0
        for i in range(runs):
            base, final, kept, delay, pos, seen = run_pair(disc, title, extra)
            lost += 0 if kept else 1
            forward_lost += 0 if seen else 1
            if delay is not None:
                delays.append(delay)
            print("%-6s pair %d: playing at %s, end %s, backward seek %s after %s s%s; %s" % (
                name, i + 1, base, final, "kept" if kept else "LOST",
                "%.1f" % delay if delay is not None else "-",
                "" if seen else " (the forward seek never showed)",
                " ".join("%.1f:%.2f" % tv for tv in pos[::3])))
            stall, pos = run_forward(disc, title, extra)
            stalls.append(stall)
            print("%-6s fwd  %d: position stood still %.1f s; %s" % (
                name, i + 1, stall, " ".join("%.1f:%.2f" % tv for tv in pos[::3])))
        stalls.sort()
        delays.sort()
        print("SUMMARY %s: forward seeks of a pair lost %d of %d, backward seeks lost %d of %d, "
              "taking effect after median %s s; "
              "stand-still after a forward seek: median %.1f s, max %.1f s (window %.1f s)" % (
                  name, forward_lost, runs, lost, runs, "%.1f" % delays[len(delays) // 2] if delays else "-",
                  stalls[len(stalls) // 2], stalls[-1], 6.0))


if __name__ == "__main__":
    main()
