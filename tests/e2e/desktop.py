"""A virtual desktop for driving the built program from outside, as a person does.

Display   an X server of its own (Xvfb on a free display number), with the
          person's hands (xdotool: keys and typing) and eyes (window names and
          geometry from xdotool and xwininfo, screenshots from xwd).
Program   the program started on that display with an empty home folder of its
          own: no profile, no settings, no test hooks in its environment.
Image     a screenshot read from xwd's dump, judged by features (dark pixels
          in a rectangle, rows of dark pixels), never compared whole; it can be
          written as PNG for a person to look at.

Every process started here dies with the test that started it: each runs in a
session of its own, is killed by its group when stopped, and gets SIGKILL from
the kernel should the test process itself be killed (a CTest timeout).
Standard library only.
"""

import ctypes
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import zlib

TOOL_SECONDS = 15   # no single X tool call may take longer


class Timeout(AssertionError):
    """What a scenario waited for did not come in time."""


def wait_until(what, probe, seconds=10.0, interval=0.1):
    """Calls probe until it answers something true, which is returned;
    raises Timeout naming `what` after `seconds`."""
    end = time.monotonic() + seconds
    while True:
        answer = probe()
        if answer:
            return answer
        if time.monotonic() > end:
            raise Timeout(f"waited {seconds:g} s for {what}")
        time.sleep(interval)


def _die_with_parent():
    # Runs in the child between fork and exec: SIGKILL when the test process
    # ends, however it ends (PR_SET_PDEATHSIG).
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL, 0, 0, 0)


def _start(args, env, **kwargs):
    return subprocess.Popen(args, env=env, start_new_session=True, preexec_fn=_die_with_parent, **kwargs)


def _stop(process, grace=2.0):
    """Ends `process` and everything in its session: SIGTERM, then SIGKILL."""
    if process is None or process.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 5.0)):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            return
        try:
            process.wait(wait)
            return
        except subprocess.TimeoutExpired:
            continue


def missing_tools():
    """The X tools these tests need that are not on PATH (tools/setup installs them)."""
    return [tool for tool in ("Xvfb", "xdotool", "xwininfo", "xwd") if not shutil.which(tool)]


class Rect:
    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height

    def inset(self, left, top, right=None, bottom=None):
        right = left if right is None else right
        bottom = top if bottom is None else bottom
        return Rect(self.x + left, self.y + top, self.width - left - right, self.height - top - bottom)

    def __repr__(self):
        return f"Rect({self.x}, {self.y}, {self.width}, {self.height})"


class Image:
    """A screenshot: rows of (r, g, b) bytes, top-left at screen (left, top)."""

    def __init__(self, width, height, rgb, left=0, top=0):
        self.width, self.height, self.rgb = width, height, rgb
        self.left, self.top = left, top

    @staticmethod
    def from_xwd(data):
        """Reads xwd's dump of a TrueColor screen (ZPixmap, 24 or 32 bits a pixel)."""
        fields = struct.unpack(">25I", data[:100])
        (header_size, version, pixmap_format, _depth, width, height, _xoffset, byte_order, _unit, _bit_order,
         _pad, bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask, blue_mask, _bits_rgb,
         _entries, colours) = fields[:20]
        if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
            raise ValueError(f"unexpected xwd dump: version {version}, format {pixmap_format}, {bits_per_pixel} bpp")
        start = header_size + colours * 12
        step = bits_per_pixel // 8
        endian = "little" if byte_order == 0 else "big"
        shifts = [(mask, (mask & -mask).bit_length() - 1) for mask in (red_mask, green_mask, blue_mask)]
        rgb = bytearray(width * height * 3)
        out = 0
        for y in range(height):
            row = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
            if step == 4 and endian == "little" and shifts == [(0xFF0000, 16), (0xFF00, 8), (0xFF, 0)]:
                # The common case, BGRX bytes: taken a plane at a time.
                rgb[out:out + width * 3:3] = row[2::4]
                rgb[out + 1:out + width * 3:3] = row[1::4]
                rgb[out + 2:out + width * 3:3] = row[0::4]
                out += width * 3
                continue
            for x in range(width):
                pixel = int.from_bytes(row[x * step:(x + 1) * step], endian)
                for mask, shift in shifts:
                    rgb[out] = (pixel & mask) >> shift
                    out += 1
        return Image(width, height, bytes(rgb))

    def crop(self, rect):
        """The part of the image under `rect` (screen coordinates), clipped to the image."""
        x0 = max(rect.x - self.left, 0)
        y0 = max(rect.y - self.top, 0)
        x1 = min(rect.x + rect.width - self.left, self.width)
        y1 = min(rect.y + rect.height - self.top, self.height)
        width, height = max(x1 - x0, 0), max(y1 - y0, 0)
        rows = [self.rgb[((y0 + y) * self.width + x0) * 3:((y0 + y) * self.width + x0 + width) * 3]
                for y in range(height)]
        return Image(width, height, b"".join(rows), self.left + x0, self.top + y0)

    def longest_white_run(self):
        """The longest run of pure white pixels along any row: how wide a
        page shows."""
        white = bytes(1 if v == 255 else 0 for v in range(256))
        longest = 0
        for y in range(self.height):
            row = self.rgb[y * self.width * 3:(y + 1) * self.width * 3]
            planes = [int.from_bytes(row[c::3].translate(white), "big") for c in range(3)]
            # A pixel is white where all three planes hold a 1 byte.
            both = (planes[0] & planes[1] & planes[2]).to_bytes(self.width, "big")
            longest = max(longest, max((len(run) for run in both.split(b"\x00")), default=0))
        return longest

    def dark_counts(self, limit=96):
        """Per row, how many pixels are dark (every channel below `limit`)."""
        table = bytes(1 if v < limit else 0 for v in range(256))
        flags = self.rgb.translate(table)
        counts = []
        for y in range(self.height):
            row = flags[y * self.width * 3:(y + 1) * self.width * 3]
            dark = (int.from_bytes(row[0::3], "big") & int.from_bytes(row[1::3], "big")
                    & int.from_bytes(row[2::3], "big"))
            counts.append(dark.bit_count())
        return counts

    def dark_columns(self, limit=96):
        """Per column, how many pixels are dark."""
        counts = [0] * self.width
        for row in self._dark_rows(limit):
            for x, flag in enumerate(row.to_bytes(self.width, "big")):
                counts[x] += flag
        return counts

    def ink_spans(self, limit=96, gap=3):
        """The runs of columns holding dark pixels, as (first, last) column
        pairs relative to the image's left; runs fewer than `gap` empty columns
        apart are one. Side by side button images are one span each."""
        spans = []
        for x, count in enumerate(self.dark_columns(limit)):
            if not count:
                continue
            if spans and x - spans[-1][1] <= gap:
                spans[-1][1] = x
            else:
                spans.append([x, x])
        return [tuple(span) for span in spans]

    def ink(self, limit=96):
        """How many pixels are dark."""
        return sum(self.dark_counts(limit))

    def _dark_rows(self, limit):
        # Per row, an integer with a byte 1 for each dark pixel, 0 else.
        table = bytes(1 if v < limit else 0 for v in range(256))
        flags = self.rgb.translate(table)
        rows = []
        for y in range(self.height):
            row = flags[y * self.width * 3:(y + 1) * self.width * 3]
            rows.append(int.from_bytes(row[0::3], "big") & int.from_bytes(row[1::3], "big")
                        & int.from_bytes(row[2::3], "big"))
        return rows

    def thin_counts(self, limit=96, reach=2):
        """Per row, how many pixels are dark with light pixels `reach` rows
        above and below them: the pixels of horizontal strokes thinner than
        2 * reach - 1, never those of filled areas or thick shapes."""
        dark = self._dark_rows(limit)
        light = int.from_bytes(b"\x01" * self.width, "big")
        counts = []
        for y in range(self.height):
            if y < reach or y + reach >= self.height:
                counts.append(0)
                continue
            counts.append((dark[y] & (light ^ dark[y - reach]) & (light ^ dark[y + reach])).bit_count())
        return counts

    def lines(self, min_length=120, limit=96):
        """The rows (relative to the image's top) that hold thin horizontal
        lines at least `min_length` pixels long in all; touching rows count as
        one line, given by its middle."""
        lines, run = [], []
        for y, count in enumerate(self.thin_counts(limit)):
            if count >= min_length:
                run.append(y)
            elif run:
                lines.append(sum(run) / len(run))
                run = []
        if run:
            lines.append(sum(run) / len(run))
        return lines

    def staves(self, min_length=120, limit=196):
        """The staves: five lines spaced evenly (within a pixel and a half),
        at least 4 pixels apart; each given by its top line's row. A score's
        staff lines are drawn thin and grey on screen (184), hence the light
        `limit`; the main window's staff-paper wallpaper (206) stays out."""
        lines = self.lines(min_length, limit)
        found, i = [], 0
        while i + 4 < len(lines):
            gaps = [lines[i + k + 1] - lines[i + k] for k in range(4)]
            if min(gaps) >= 4 and max(gaps) - min(gaps) <= 1.5:
                found.append(lines[i])
                i += 5
            else:
                i += 1
        return found

    def save_png(self, path):
        """Writes the image as a PNG file, for a person to look at."""
        raw = b"".join(b"\0" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            out.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            out.write(chunk(b"IEND", b""))


class Display:
    """An Xvfb server on a display number it chose itself, and the X tools run against it."""

    def __init__(self, width=1280, height=1024):
        self.width, self.height = width, height
        read, write = os.pipe()
        try:
            # -displayfd: the server takes the first free display number and
            # writes it to the pipe once it accepts connections.
            self.server = _start(["Xvfb", "-displayfd", str(write), "-screen", "0", f"{width}x{height}x24",
                                  "-nolisten", "tcp", "-noreset"], dict(os.environ),
                                 pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write)
            write = None
            number = b""
            end = time.monotonic() + 20
            while not number.endswith(b"\n"):
                ready, _, _ = select.select([read], [], [], max(end - time.monotonic(), 0))
                piece = os.read(read, 16) if ready else b""
                if not piece:
                    _stop(self.server)
                    raise Timeout("Xvfb did not tell its display number")
                number += piece
        finally:
            os.close(read)
            if write is not None:
                os.close(write)
        self.name = ":" + number.decode().strip()

    def close(self):
        _stop(self.server)

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.name
        return env

    def run(self, *args, check=True, data=None):
        """Runs an X tool on this display; its standard output."""
        done = subprocess.run(args, env=self.env(), capture_output=True, timeout=TOOL_SECONDS, input=data)
        if check and done.returncode != 0:
            raise RuntimeError(f"{' '.join(args)}: {done.stderr.decode(errors='replace').strip()}")
        return done.stdout

    # ---- eyes --------------------------------------------------------------

    def visible_windows(self):
        """Every visible top-level window of a program (one with a class), in stacking order."""
        out = self.run("xdotool", "search", "--onlyvisible", "--class", ".", check=False)
        return [int(line) for line in out.split()]

    def window_name(self, window):
        """The window's name as a window manager shows it (_NET_WM_NAME before
        WM_NAME, which xwininfo reads); empty when it has none or is gone."""
        out = self.run("xwininfo", "-id", str(window), check=False).decode(errors="replace")
        found = re.search(r'^xwininfo: Window id: \S+ "(.*)"$', out, re.MULTILINE)
        return found.group(1) if found else ""

    def windows(self, name):
        """The visible windows whose name matches the regular expression `name`."""
        return [w for w in self.visible_windows() if re.search(name, self.window_name(w))]

    def window_names(self):
        """The names of every visible window."""
        return [self.window_name(w) for w in self.visible_windows()]

    def wait_window(self, name, seconds=15.0):
        """The first visible window whose name matches `name`, once there is one."""
        found = wait_until(f"a window named /{name}/ (there are {self.window_names()})",
                           lambda: self.windows(name), seconds)
        return found[0]

    def geometry(self, window):
        """The window's rectangle on the screen."""
        text = self.run("xwininfo", "-id", str(window)).decode()
        value = {key: int(re.search(rf"{key}:\s+(-?\d+)", text).group(1))
                 for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")}
        return Rect(value["Absolute upper-left X"], value["Absolute upper-left Y"], value["Width"], value["Height"])

    def screenshot(self, window=None):
        """The screen, or one window's own contents placed where it stands.
        (Without a window manager the screen may show a program's newer
        top-level windows, its dialogs and menus, black; their own dumps hold
        what they drew.)"""
        if window is None:
            return Image.from_xwd(self.run("xwd", "-root", "-silent"))
        image = Image.from_xwd(self.run("xwd", "-id", str(window), "-silent"))
        where = self.geometry(window)
        image.left, image.top = where.x, where.y
        return image

    # ---- hands -------------------------------------------------------------

    def focus(self, window):
        # No window manager runs: the input focus is set directly.
        self.run("xdotool", "windowfocus", str(window), check=False)
        time.sleep(0.2)

    def key(self, *keys):
        """Presses each key in turn (xdotool's names: alt+f, Return, Escape)."""
        for key in keys:
            self.run("xdotool", "key", "--clearmodifiers", key)
            time.sleep(0.25)

    def click(self, x, y, button=1, times=1):
        """Moves the pointer to screen (x, y) and clicks; buttons 4 and 5 turn
        the mouse wheel up and down a step."""
        self.run("xdotool", "mousemove", str(x), str(y), "click", "--repeat", str(times), "--delay", "60",
                 str(button))
        time.sleep(0.25)

    def drag(self, x, y, to_x, to_y, steps=10):
        """Presses the left button at screen (x, y), moves to (to_x, to_y) in
        `steps` steps, as a hand does, and lets go there."""
        self.run("xdotool", "mousemove", str(x), str(y), "mousedown", "1")
        time.sleep(0.2)
        for step in range(1, steps + 1):
            self.run("xdotool", "mousemove", str(x + (to_x - x) * step // steps), str(y + (to_y - y) * step // steps))
            time.sleep(0.05)
        self.run("xdotool", "mouseup", "1")
        time.sleep(0.5)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "30", text)
        time.sleep(0.2)

class Program:
    """The program as a person starts it: its binary on `display`, a home
    folder of its own, nothing else in its environment that it reads."""

    def __init__(self, binary, display, args=(), home=None):
        self.home = home or tempfile.mkdtemp(prefix="staffwright-home-")
        os.makedirs(self.home, exist_ok=True)
        env = display.env()
        for key in list(env):
            if key.startswith(("STAFFWRIGHT_", "XDG_", "QT_")):
                del env[key]
        env["HOME"] = self.home
        self.log = tempfile.TemporaryFile()   # its standard output and error, beside the home folder
        self.process = _start([binary, *args], env, cwd=self.home, stdout=self.log, stderr=subprocess.STDOUT)

    def running(self):
        return self.process.poll() is None

    def output(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def wait_exit(self, seconds=15.0):
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            raise Timeout(f"the program did not end within {seconds:g} s") from None

    def close(self):
        _stop(self.process)
        self.log.close()
