#!/usr/bin/env python3
"""Ways of keeping the picture's shape in the embedded player, side by side, with the bare
mplayer in a plain X window of the video label's size (1000x568):
  stretch    the arguments as they were: -zoom, the picture fills the window;
  fs         -zoom -fs: MPlayer letterboxes inside the window it was given;
  letterbox  -zoom -nokeepaspect into a child window that the front end sizes to the
             picture's shape once MPlayer names it (its "VO:" line), as SMPlayer does;
  fs+letterbox  both: -zoom -fs into that child (what the program does).
For each: the player's CPU over a 10 s 640x360 clip, the time to the first frame, the time
to the first frame of the right shape (2.35:1 clip), and after a resize to 700x600 the time
until the picture has its shape again. Medians of N runs.
Usage: xvfb-run -a -s "-screen 0 1280x800x24" bench/picture_shape.py [runs (5)]
"""
import ctypes, os, re, statistics, subprocess, sys, tempfile, threading, time, tkinter

RUNS = int(sys.argv[1]) if len(sys.argv) > 1 else 5
VO = ["-vo", "xv,gl_nosw,x11"]
CANDIDATES = {"stretch": ["-zoom"], "fs": ["-zoom", "-fs"], "letterbox": ["-zoom", "-nokeepaspect"],
              "fs+letterbox": ["-zoom", "-fs"]}


class Pixels:
    """Reads screen pixels through an X connection of its own (safe beside Tk's)."""

    def __init__(self):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
            [ctypes.c_uint] * 2 + [ctypes.c_ulong, ctypes.c_int]
        self.x.XGetImage.restype = ctypes.POINTER(ctypes.c_int)
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(None)
        self.root = self.x.XDefaultRootWindow(self.display)

    def rgb(self, x, y):
        image = self.x.XGetImage(self.display, self.root, x, y, 1, 1, 0xFFFFFFFF, 2)
        # XImage: four ints, then the data pointer; 32 bits a pixel, BGRX.
        data = ctypes.cast(image, ctypes.POINTER(ctypes.c_void_p))[2]
        b, g, r = ctypes.string_at(data, 3)
        self.x.XFree(data)
        self.x.XFree(image)
        return r, g, b


def lime(p):
    return p[1] > 180 and p[0] < 100 and p[2] < 100


def black(p):
    return max(p) < 16


def make_clips(folder):
    clips = {}
    for name, size in (("cpu", "640x360"), ("wide", "1280x544")):
        clips[name] = os.path.join(folder, name + ".mp4")
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc=s=%s:r=25:d=10" % size, "-vf",
                        "drawbox=x=iw/2-60:y=ih/2-60:w=120:h=120:color=lime:t=fill",
                        "-c:v", "libx264", "-g", "25", "-pix_fmt", "yuv420p", clips[name]],
                       check=True)
    return clips


def run(candidate, clip, pixels, resize):
    """One playback; returns the figures of that run."""
    root = tkinter.Tk()
    root.geometry("1000x568+0+0")
    root.configure(bg="black")
    label = tkinter.Frame(root, bg="black")
    label.place(x=0, y=0, relwidth=1, relheight=1)
    root.update()
    figures, shape = {}, [None]

    def place():
        # The front end's own letterboxing: a child of the picture's shape, centred.
        if "letterbox" not in candidate or not shape[0]:
            return
        w, h = root.winfo_width(), root.winfo_height()
        pw, ph = (w, round(w * shape[0][1] / shape[0][0]))
        if ph > h:
            pw, ph = round(h * shape[0][0] / shape[0][1]), h
        label.place(x=(w - pw) // 2, y=(h - ph) // 2, width=pw, height=ph, relwidth=0,
                    relheight=0)

    root.bind("<Configure>", lambda e: place())
    start = time.monotonic()
    player = subprocess.Popen(["mplayer", "-demuxer", "lavf", "-ni", "-slave", "-quiet",
                               "-wid", str(label.winfo_id())] + VO + CANDIDATES[candidate] +
                              ["-ao", "null", clip], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def read():
        for line in player.stdout:
            m = re.match(rb"VO: \[(\w+)\] \d+x\d+ => (\d+)x(\d+)", line)
            if m:
                figures["vo"] = m.group(1).decode()
                shape[0] = (int(m.group(2)), int(m.group(3)))
                root.after(0, place)

    threading.Thread(target=read, daemon=True).start()

    def right_shape(w, h):
        # The 2.35:1 picture is 425 high in 1000x568, 298 in 700x600: its bars are black.
        bar = (h - round(w / 2.353)) // 2
        return lime(pixels.rgb(w // 2, h // 2)) and black(pixels.rgb(w // 2, bar // 2)) and \
            not black(pixels.rgb(w // 4, h // 2 - round(w / 2.353) // 2 + 8))

    state = {"phase": "first", "resized": 0.0, "usage": None}

    def alive():
        # wait4, not Popen.poll: the player's own CPU comes with its exit status.
        if state["usage"] is None:
            pid, _, usage = os.wait4(player.pid, os.WNOHANG)
            if pid:
                state["usage"] = usage
        return state["usage"] is None

    def poll():
        now = time.monotonic()
        w, h = root.winfo_width(), root.winfo_height()
        if "first_ms" not in figures and lime(pixels.rgb(w // 2, h // 2)):
            figures["first_ms"] = (now - start) * 1000
        if resize and state["phase"] == "first" and right_shape(w, h):
            figures["shape_ms"] = (now - start) * 1000
            state["phase"], state["resized"] = "resizing", now
            root.geometry("700x600+0+0")
        elif resize and state["phase"] == "resizing" and (w, h) == (700, 600) and \
                right_shape(w, h):
            figures["resize_ms"] = (now - state["resized"]) * 1000
            state["phase"] = "done"
        if alive() and now - start < 20 and \
                (not resize or state["phase"] != "done"):
            root.after(1, poll)
        else:
            root.quit()

    root.after(1, poll)
    root.mainloop()
    if alive():
        player.stdin.write(b"quit\n")
        player.stdin.flush()
        state["usage"] = os.wait4(player.pid, 0)[2]
    player.returncode = 0
    if not resize:
        figures["cpu_s"] = state["usage"].ru_utime + state["usage"].ru_stime
    root.destroy()
    return figures


def main():
    pixels = Pixels()
    with tempfile.TemporaryDirectory() as folder:
        clips = make_clips(folder)
        series = {}
        for _ in range(RUNS):
            for candidate in CANDIDATES:
                for key, clip, resize in (("cpu", clips["cpu"], False),
                                          ("wide", clips["wide"], True)):
                    for name, value in run(candidate, clip, pixels, resize).items():
                        series.setdefault((candidate, key, name), []).append(value)

    def cell(candidate, key, name, digits=0):
        v = series.get((candidate, key, name), [])
        if not v:
            return "never"
        f = "%%.%df" % digits
        return "%s (%s-%s) n=%d" % (f % statistics.median(v), f % min(v), f % max(v), len(v))

    print("medians of %d runs (min-max), n = runs that reached it\n" % RUNS)
    print("| candidate | player CPU, 10 s 640x360 | first frame 640x360 | first frame 2.35:1 |"
          " right shape 2.35:1 | resize to 700x600 -> right shape |")
    print("| --- | --- | --- | --- | --- | --- |")
    for c in CANDIDATES:
        print("| %s | %s s | %s ms | %s ms | %s ms | %s ms |" % (
            c, cell(c, "cpu", "cpu_s", 2), cell(c, "cpu", "first_ms"),
            cell(c, "wide", "first_ms"), cell(c, "wide", "shape_ms"),
            cell(c, "wide", "resize_ms")))
    print("\nvideo output: %s" % series.get(("fs", "cpu", "vo"), ["?"])[0])


main()
