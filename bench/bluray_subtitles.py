#!/usr/bin/env python3
"""When a Blu-ray title's chosen subtitle first shows, frame by frame.

usage: bluray_subtitles.py DISC [TITLE [AID]]

DISC is the test disc (build/tests/bdfixture/make_bd_fixture DIR 5 600): two PG streams,
0x1200 "eng" (a grey box low, a display set at 0.5 s of every second) and 0x1201 "fra" (a
white box high, at 0.3 s). Runs mplayer as the player does for a Blu-ray title (own TS
demuxer, -aid AID (4352 unless given; -2 is "Disable", without -ss) -ss 0.01,
-msglevel identify=4), writes every frame with -vo pnm, and
applies the choice the player's way: "pausing_keep sub_demux <place of the PID among the
ID_SUBTITLE_ID lines>" once "Starting playback..." was read and the PID was met. Prints,
per stream and start (title start, a chapter at 7 s), the title time of the first frame
showing the box and how many of that stream's display sets went by unseen before it.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

FPS = 25
STREAMS = {0x1200: ("eng", 0.5, 0.78), 0x1201: ("fra", 0.3, 0.2)}  # first set, box row


def frame_pixels(path):
    data = open(path, "rb").read()
    magic, size, depth, pixels = data.split(b"\n", 3)
    width, height = map(int, size.split())
    return width, height, pixels


def shows_box(path, row):
    width, height, pixels = frame_pixels(path)
    y = int(row * height)
    hits = 0
    xs = range(width * 45 // 100, width * 55 // 100)
    for x in xs:
        r, g, b = pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]
        hits += abs(r - b) < 12 and g > 120
    return hits * 2 > len(xs)


def title_time(path, clip_seconds=5):
    """The title time a frame shows, from its clip's tint and brightness ramp; None if grey."""
    width, height, pixels = frame_pixels(path)
    r = g = b = n = 0
    for y in range(height * 2 // 5, height * 3 // 5, 4):
        for x in range(width // 4, width * 3 // 4, 4):
            i = (y * width + x) * 3
            r, g, b, n = r + pixels[i], g + pixels[i + 1], b + pixels[i + 2], n + 1
    r, g, b = r / n, g / n, b / n
    clip = 0 if b > r + 15 and b > g + 10 else 1 if r > b + 15 and r > g + 10 and b > g \
        else 2 if g > r + 10 and g > b + 10 else None
    if clip is None:
        return None
    luma = 16 + (0.299 * r + 0.587 * g + 0.114 * b) * 219 / 255
    return clip * clip_seconds + (luma - 40) / 15


def run(disc, title, pid, start, aid):
    out = tempfile.mkdtemp()
    args = ["mplayer", "-aid", str(aid)] + (["-ss", "0.01"] if aid >= 0 else [])
    args += ["-msglevel", "identify=4", "-ni",
            "-slave", "-quiet", "-vf", "expand=0:0:0:0:1", "-vo", "pnm:outdir=" + out,
            "-ao", "null",
            "br://%d" % title, "-bluray-device", disc]
    p = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, bufsize=0)
    if start:
        p.stdin.write(b"seek %d 2\n" % start)
    met, begun, sent = [], False, []

    def reader():
        for raw in iter(p.stdout.readline, b""):
            line = raw.decode("latin-1").rstrip()
            nonlocal begun
            if line.startswith("ID_SUBTITLE_ID="):
                met.append(int(line.split("=", 1)[1]))
            begun = begun or line == "Starting playback..."
            if begun and pid in met and not sent:
                sent.append(met.index(pid))
                p.stdin.write(b"pausing_keep sub_demux %d\n" % met.index(pid))
    threading.Thread(target=reader, daemon=True).start()
    time.sleep(6)
    p.stdin.write(b"q\n")
    p.wait()
    frames = sorted(glob.glob(os.path.join(out, "*.ppm")))
    name, first_set, row = STREAMS[pid]
    at = None
    for f in frames:
        t = title_time(f)
        # With a start seek, the frames before it still show the title's start.
        if t is not None and t >= start - 1 and shows_box(f, row):
            at = t
            break
    shutil.rmtree(out, True)
    if at is None:
        return name, start, None, None, met
    sets_before = sum(1 for k in range(20) if start <= start + k + first_set < at - 0.1)
    return name, start, at, sets_before, met


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    disc = sys.argv[1]
    title = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    aid = int(sys.argv[3]) if len(sys.argv) > 3 else 4352
    for pid in STREAMS:
        for start in (0, 7):
            name, s, at, lost, met = run(disc, title, pid, start, aid)
            print("%s from %2d s: first shown at %s s, %s display set(s) unseen; met order %s"
                  % (name, s, "-" if at is None else "%.2f" % at, lost,
                     [hex(m) for m in met]))


if __name__ == "__main__":
    main()
