"""What a person does with the program, each scenario a test: the built program
on a display of its own with an empty profile, driven by keys (menus by their
mnemonics, dialogs filled by typing), judged by window names, files
on disk and features of screenshots.

A scenario that waits for a fix elsewhere in the program is marked
@waits_for(reason); it is skipped, and CTest reports it as not run, until the
mark is taken away (E2E_RUN_WAITING=1 runs it meanwhile, to try a fix).
"""

import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest

import desktop

SCENARIO_SECONDS = 150   # within the CTest timeout (180 s), so a scenario cleans up after itself
MAIN_WINDOW = r"(?i)^staffwright"


def waits_for(reason):
    """Skips a scenario until a fix it needs is in; E2E_RUN_WAITING=1 runs it anyway."""
    if os.environ.get("E2E_RUN_WAITING") == "1":
        return lambda scenario: scenario
    return unittest.skip(f"waits for {reason}")


def midi_file(path, bars=2, scale=(60, 62, 64, 65, 67, 69, 71, 72)):
    """A type 1 MIDI file: a conductor track (4/4, 120 a quarter) and a track
    of quarter notes, the keys of `scale` (C4 up to C5) and again, `bars`
    measures of them, 480 ticks a quarter."""
    def track(events):
        body = b"".join(events) + b"\x00\xff\x2f\x00"
        return b"MTrk" + struct.pack(">I", len(body)) + body

    conductor = track([b"\x00\xff\x58\x04\x04\x02\x18\x08", b"\x00\xff\x51\x03\x07\xa1\x20"])
    notes = []
    for index in range(bars * 4):
        pitch = scale[index % len(scale)]
        notes.append(b"\x00\x90" + bytes([pitch, 90]))
        notes.append(b"\x83\x60\x80" + bytes([pitch, 0]))   # 480 ticks later
    with open(path, "wb") as out:
        out.write(b"MThd" + struct.pack(">IHHH", 6, 1, 2, 480) + conductor + track(notes))


def pdf_facts(path):
    """A PDF file's page count and page size, as pdfinfo tells them; None while it cannot be read."""
    done = subprocess.run(["pdfinfo", path], capture_output=True, text=True, timeout=desktop.TOOL_SECONDS)
    if done.returncode != 0:
        return None
    facts = dict(line.split(":", 1) for line in done.stdout.splitlines() if ":" in line)
    return {"pages": int(facts["Pages"]), "size": facts["Page size"].strip()}


def first_page(path, dpi=36):
    """A PDF file's first page rendered in grey at `dpi` (pdftoppm)."""
    done = subprocess.run(["pdftoppm", "-gray", "-r", str(dpi), "-f", "1", "-l", "1", path],
                          capture_output=True, timeout=desktop.TOOL_SECONDS, check=True)
    header = re.match(rb"P5\s+(\d+)\s+(\d+)\s+255\s", done.stdout)
    width, height = int(header.group(1)), int(header.group(2))
    grey = done.stdout[header.end():]
    rgb = bytes(value for value in grey for _ in range(3))
    return desktop.Image(width, height, rgb)


def solid_blocks(image, matches, least):
    """The 4-connected regions of pixels that `matches` (r, g, b) of at least
    `least` pixels filling nine tenths of their bounding box or more, each as
    (count, (left, top, right, bottom))."""
    width, height, rgb = image.width, image.height, image.rgb
    inside = bytearray(width * height)
    for i in range(width * height):
        if matches(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]):
            inside[i] = 1
    blocks = []
    for start in range(width * height):
        if inside[start] != 1:
            continue
        inside[start] = 2
        stack, count = [start], 0
        left, top, right, bottom = width, height, -1, -1
        while stack:
            i = stack.pop()
            count += 1
            x, y = i % width, i // width
            left, top, right, bottom = min(left, x), min(top, y), max(right, x), max(bottom, y)
            for j in ((i - 1) if x > 0 else -1, (i + 1) if x + 1 < width else -1,
                      i - width, i + width):
                if 0 <= j < width * height and inside[j] == 1:
                    inside[j] = 2
                    stack.append(j)
        area = (right - left + 1) * (bottom - top + 1)
        if count >= least and count >= 0.9 * area:
            blocks.append((count, (left, top, right, bottom)))
    return blocks


def first_page_ink(path, dpi=36):
    """The leftmost column and topmost row of dark pixels on a PDF file's
    first page, rendered at `dpi`."""
    image = first_page(path, dpi)
    rows = [y for y, count in enumerate(image.dark_counts(128)) if count]
    columns = [x for x, count in enumerate(image.dark_columns(128)) if count]
    return (columns[0], rows[0]) if rows else None


def midi_note_ons(path):
    """How many note-ons (velocity above 0) a standard MIDI file holds."""
    return len(midi_keys(path))


def midi_keys(path):
    """The keys of a standard MIDI file's note-ons (velocity above 0), in file order."""
    with open(path, "rb") as file:
        data = file.read()
    keys, at = [], 14
    while at + 8 <= len(data):
        kind, length = data[at:at + 4], struct.unpack(">I", data[at + 4:at + 8])[0]
        body, at = data[at + 8:at + 8 + length], at + 8 + length
        if kind != b"MTrk":
            continue
        i, status = 0, 0
        while i < len(body):
            while body[i] & 0x80:   # the delta time's bytes
                i += 1
            i += 1
            if body[i] & 0x80:
                status = body[i]
                i += 1
            if status == 0xFF:
                i += 1
            if status in (0xFF, 0xF0, 0xF7):
                length = 0
                while True:
                    length = (length << 7) | (body[i] & 0x7F)
                    i += 1
                    if not body[i - 1] & 0x80:
                        break
                i += length
                status = 0
                continue
            size = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
            if status & 0xF0 == 0x90 and body[i + 1] > 0:
                keys.append(body[i])
            i += size
    return keys


def noteheads(image, staff_top, space):
    """The centres (screen coordinates) of the filled noteheads about a staff
    whose top line is at image row `staff_top`, lines `space` rows apart:
    where a box 0.7 of a space wide and 0.4 high is wholly dark. A filled
    head is wider than a space; staff lines, stems and the strokes of rests
    are too thin to fill the box."""
    rows = image._dark_rows(96)
    width, height = max(int(space * 0.7), 3), max(int(space * 0.4), 3)
    cores = []
    for y in range(max(int(staff_top - 2 * space), 0), min(int(staff_top + 7 * space), image.height - height)):
        band = rows[y]
        for k in range(1, height):
            band &= rows[y + k]
        flags = band.to_bytes(image.width, "big")
        run = 0
        for x, flag in enumerate(flags):
            run = run + 1 if flag else 0
            if run >= width:
                cores.append((x - width // 2, y + height // 2))
    heads = []
    for x, y in cores:
        for head in heads:
            if abs(head[0] - x) <= space and abs(head[1] - y) <= space:
                head[2].append((x, y))
                break
        else:
            heads.append([x, y, [(x, y)]])
    centres = []
    for _, _, points in heads:
        cx = sum(p[0] for p in points) / len(points)
        cy = sum(p[1] for p in points) / len(points)
        centres.append((image.left + round(cx), image.top + round(cy)))
    return sorted(centres)


def _on_alarm(signum, frame):
    raise desktop.Timeout(f"the scenario ran past {SCENARIO_SECONDS} s")


class Scenarios(unittest.TestCase):
    def setUp(self):
        missing = desktop.missing_tools()
        if missing:
            self.fail(f"missing X tools {missing}: run tools/setup")
        self.binary = os.environ.get("STAFFWRIGHT_PROGRAM", "")
        if not os.access(self.binary, os.X_OK):
            self.fail(f"STAFFWRIGHT_PROGRAM ({self.binary!r}) names no built program")
        signal.signal(signal.SIGALRM, _on_alarm)
        signal.alarm(SCENARIO_SECONDS)
        self.addCleanup(signal.alarm, 0)
        self.folder = tempfile.mkdtemp(prefix="staffwright-e2e-")
        if not os.environ.get("E2E_KEEP"):
            self.addCleanup(shutil.rmtree, self.folder, True)
        self.display = desktop.Display()
        self.addCleanup(self.display.close)
        result = self._outcome.result
        self._problems_before = len(result.failures) + len(result.errors)
        self.program = None

    # ---- helpers -----------------------------------------------------------

    def _keep_screen_of_failure(self):
        # A failed scenario leaves its last screen under E2E_SHOTS for a person to see.
        result = self._outcome.result
        if os.environ.get("E2E_SHOTS") and len(result.failures) + len(result.errors) > self._problems_before:
            try:
                self.screen().save_png(self.shot_path("failed"))
            except (OSError, RuntimeError, ValueError, subprocess.SubprocessError):
                pass

    def path(self, name):
        return os.path.join(self.folder, name)

    def shot_path(self, what):
        folder = os.environ.get("E2E_SHOTS") or self.folder
        os.makedirs(folder, exist_ok=True)
        return os.path.join(folder, f"{self._testMethodName}-{what}.png")

    def screen(self, what=None, window=None):
        """A screenshot of the screen or of one window; kept as PNG under
        E2E_SHOTS when that is set and `what` is given."""
        image = self.display.screenshot(window)
        if what and os.environ.get("E2E_SHOTS"):
            image.save_png(self.shot_path(what))
        return image

    def start(self, *args):
        """Starts the program as a person does and waits for its main window,
        closing the tip of the day a first start shows over it."""
        self.start_without_closing_the_tip(*args)
        self.close_tip()
        return self.main

    def start_without_closing_the_tip(self, *args):
        self.program = desktop.Program(self.binary, self.display, args, home=self.path("home"))
        self.addCleanup(self.program.close)
        self.addCleanup(self._keep_screen_of_failure)   # runs first, while the program still shows
        desktop.wait_until("the main window", self._main_windows, 30)
        try:
            self._tip = self.display.wait_window(r"^Tip of the Day$", 5)
        except desktop.Timeout:
            self._tip = None
        self._find_main()

    def close_tip(self):
        if self._tip:
            self.display.focus(self._tip)
            self.display.key("Escape")
            self.wait_gone(self._tip)
            self._tip = None
        self._find_main()

    def _main_windows(self):
        if not self.program.running():
            self.fail("the program ended: " + self.program.output())
        return self.display.windows(MAIN_WINDOW)

    def _find_main(self):
        # The largest of its name: a splash window may carry the name too.
        self.main = max(self._main_windows(), key=lambda w: self.display.geometry(w).width)
        self.display.focus(self.main)

    def main_name(self):
        return self.display.window_name(self.main)

    def wait_main_name(self, pattern, seconds=15):
        return desktop.wait_until(f"a main window name matching /{pattern}/ (it is {self.main_name()!r})",
                                  lambda: re.search(pattern, self.main_name()), seconds)

    def client_area(self):
        """The main window's rectangle below its menu and bars and above its
        status bar, where document windows stand."""
        return self.display.geometry(self.main).inset(0, 80, 0, 30)

    def menu(self, *keys):
        """Opens a menu of the main window by its mnemonic and chooses by
        mnemonics: Alt pressed and let go, then the letters. (Alt held with the
        letter is typed into a focused text field instead.)"""
        self.display.focus(self.main)
        self.display.key("Alt_L", *keys)

    def choose(self, what, *keys):
        """Chooses a menu command by mnemonics; the window it opens (`what`), focused."""
        before = set(self.display.visible_windows())
        self.menu(*keys)
        window = self.new_window(before, what)
        self.display.focus(window)
        return window

    def name_file(self, what, keys, path):
        """Chooses the menu command that asks for a file name, types `path`, Enter."""
        dialog = self.choose(what, *keys)
        self.display.type(path)
        self.display.key("Return")
        self.wait_gone(dialog)

    def open_file(self, path):
        self.name_file("the Open dialog", ("f", "o"), path)

    # ---- scenarios ---------------------------------------------------------

    def test_open_midi_then_music_score_from_the_view_menu(self):
        midi = self.path("scale.mid")
        midi_file(midi)
        self.start()
        area = self.client_area()
        empty = self.screen("started").crop(area)
        self.assertLess(empty.ink(), 50, "nothing dark stands in an empty main window")
        self.open_file(midi)
        self.wait_main_name(r"scale\.mid")
        # The Information view: its text in the main window, and no staff.
        information = desktop.wait_until("the Information view's text", lambda: (
            lambda image: image.ink() > 500 and image)(self.screen().crop(area)))
        self.screen("information")
        self.assertEqual(information.staves(), [], "the Information view shows no staff")

        self.menu("v", "2")   # View › 2 Music Score
        staves = desktop.wait_until("staff lines in the main window", lambda: self.screen().crop(area).staves(), 20)
        self.screen("score")
        self.assertGreaterEqual(len(staves), 1)

    def test_the_score_window_shows_a_page_width_and_scrolls_by_keys_and_wheel(self):
        midi = self.path("scale.mid")
        midi_file(midi, bars=60)
        self.start()
        self.open_file(midi)
        self.wait_main_name(r"scale\.mid")
        self.menu("v", "2")   # View › 2 Music Score
        area = self.client_area()
        top = desktop.wait_until("staff lines in the score", lambda: self.screen().crop(area).staves(), 20)
        shown = self.screen("opened").crop(area)
        # A letter page is 8.5 inches wide: 816 pixels at 100 %, the first zoom.
        self.assertGreaterEqual(shown.longest_white_run(), 816, "the score window shows a whole page's width")

        def scrolled_from(before, what):
            return desktop.wait_until(what, lambda: (lambda now: now and now != before and now)(
                self.screen().crop(area).staves()), 10)

        # A click on the page's blank margin (the score window has the lower
        # part of the main window) gives the score the keys.
        blank = (area.x + 24, area.y + area.height - 60)
        self.display.click(*blank)
        self.display.key("Next")   # Page Down
        paged = scrolled_from(top, "the score to scroll a screen down on Page Down")
        self.display.key("ctrl+End")
        end = scrolled_from(paged, "the score to scroll to its end on Ctrl+End")
        self.screen("end")
        # The wheel over the page turns the score back up.
        self.display.click(*blank, button=4, times=5)
        scrolled_from(end, "the score to scroll up on the mouse wheel")
        self.screen("wheeled")

    def new_window(self, before, what, seconds=10):
        """A visible named window that was not among `before`, once there is one."""
        return desktop.wait_until(what, lambda: [w for w in self.display.visible_windows() if w not in before], seconds)[0]

    def wait_gone(self, window, seconds=10):
        desktop.wait_until(f"window {window} to close", lambda: window not in self.display.visible_windows(), seconds)

    def open_changed(self, path):
        """Opens `path` and changes it as a person does: Music › Add Measures, OK."""
        self.open_file(path)
        self.wait_main_name(re.escape(os.path.basename(path)))
        dialog = self.choose("the Add Measures dialog", "m", "m")
        self.display.key("Return")
        self.wait_gone(dialog)

    def test_closing_a_changed_document_asks_to_save(self):
        midi = self.path("scale.mid")
        midi_file(midi)
        with open(midi, "rb") as file:
            original = file.read()
        self.start()
        for answer, stays_open in (("alt+n", False), ("Escape", True)):
            if not re.search(r"scale\.mid", self.main_name()):
                self.open_changed(midi)
            box = self.choose("the question whether to save the changes", "f", "c")
            self.screen(f"question-{answer}", box)
            self.display.key(answer)
            self.wait_gone(box)
            if stays_open:
                self.assertRegex(self.main_name(), r"scale\.mid", "Cancel keeps the document open")
            else:
                desktop.wait_until("the document to close", lambda: "scale.mid" not in self.main_name())
            with open(midi, "rb") as file:
                self.assertEqual(file.read(), original, f"the file on disk after {answer}")

    def score_of(self, midi):
        """Opens the MIDI file in a score window (View › Music Score); the
        client area's screenshot with the first staff found in it, and the
        staff's top row and line spacing."""
        self.open_file(midi)
        self.wait_main_name(re.escape(os.path.basename(midi)))
        self.menu("v", "2")
        area = self.client_area()
        desktop.wait_until("staff lines in the main window", lambda: self.screen().crop(area).staves(), 20)
        time.sleep(0.5)   # the last paint
        image = self.screen().crop(area)
        lines = [y for y in image.lines(120, 196)]
        top = image.staves()[0]
        staff = [y for y in lines if top <= y <= top + 40][:5]
        return image, top, (staff[4] - staff[0]) / 4

    def test_erase_mode_takes_the_clicked_note_out_and_the_saved_file_keeps_the_rest(self):
        midi = self.path("scale.mid")
        midi_file(midi, bars=4)
        self.assertEqual(midi_note_ons(midi), 16)
        self.start()
        image, top, space = self.score_of(midi)
        heads = noteheads(image, top, space)
        self.assertGreaterEqual(len(heads), 8, f"noteheads of the first system: {heads}")
        # The rightmost head of the system is a note, never the clef or the meter.
        x, y = heads[-1]
        self.display.key("ctrl+3")   # Erase Mode
        self.display.click(x, y)
        after = desktop.wait_until("the clicked notehead gone", lambda: (
            lambda now: (x, y) not in [(hx, hy) for hx, hy in noteheads(now, top, space)
                                       if abs(hx - x) <= space / 2 and abs(hy - y) <= space / 2] and now)(
            self.screen().crop(self.client_area())), 10)
        self.screen("erased")
        near = [h for h in noteheads(after, top, space) if abs(h[0] - x) <= space and abs(h[1] - y) <= space / 2]
        self.assertEqual(near, [], "no notehead stands where the note was")
        self.assertEqual(len(noteheads(after, top, space)), len(heads) - 1, "only the clicked note went")

        # Saved as MIDI (No to the question of the native format): 15 notes.
        before = set(self.display.visible_windows())
        self.display.key("ctrl+s")
        question = self.new_window(before, "the question whether to save in the native format")
        self.screen("question", question)
        self.display.key("alt+n")
        self.wait_gone(question)
        desktop.wait_until("the file saved with one note fewer", lambda: midi_note_ons(midi) == 15, 10)

    def palette_symbol(self, index):
        """Opens the Music Palette (Alt+1) and clicks the `index`-th symbol of
        its first row (the Notes page: whole, half, quarter ...)."""
        self.display.focus(self.main)
        self.display.key("alt+1")
        palette = self.display.wait_window(r"^Music Palette$")
        return self.click_symbol(palette, index)

    def click_symbol(self, palette, index):
        """Clicks the `index`-th symbol of the first row of the palette's page on show."""
        row = desktop.wait_until("the palette's first row of symbols", lambda: (
            lambda image: len(image.ink_spans(limit=96)) > index and image)(
            self.screen(window=palette).crop(self._palette_row(palette))), 10)
        left, right = row.ink_spans(limit=96)[index]
        self.display.click(row.left + (left + right) // 2, row.top + row.height // 2)
        return palette

    def palette_page(self, index):
        """Opens the Music Palette (Alt+1) on its `index`-th page (Notes,
        Marks, Staff, Expression), clicking the page's tab by its title."""
        self.display.focus(self.main)
        self.display.key("alt+1")
        palette = self.display.wait_window(r"^Music Palette$")
        where = self.display.geometry(palette)
        tabs = desktop.Rect(where.x, where.y + 25, where.width, 20)
        titles = desktop.wait_until("the palette's page titles", lambda: (
            lambda spans: len(spans) >= 4 and spans)(self.screen(window=palette).crop(tabs).ink_spans(gap=8)), 10)
        left, right = titles[index]
        self.display.click(tabs.x + (left + right) // 2, tabs.y + tabs.height // 2)
        return palette

    def first_button_centre(self, palette):
        """The centre of the first button of the palette's page on show (the
        grid's buttons are 32 pixels apart)."""
        first = desktop.wait_until("the palette's first button", lambda: (
            lambda image: image.ink_spans(limit=96) and image)(
            self.screen(window=palette).crop(self._palette_row(palette))), 10)
        left, right = first.ink_spans(limit=96)[0]
        return first.left + (left + right) // 2, first.top + first.height // 2

    def _palette_row(self, palette):
        where = self.display.geometry(palette)
        return desktop.Rect(where.x, where.y + 50, where.width, 35)

    def test_a_quarter_from_the_palette_clicked_into_the_score_is_played_in_and_saved(self):
        midi = self.path("scale.mid")
        midi_file(midi, bars=4)
        self.start()
        image, top, space = self.score_of(midi)
        heads = noteheads(image, top, space)
        self.assertGreaterEqual(len(heads), 8, f"noteheads of the first system: {heads}")
        x, y = heads[-1]   # F4 on beat 4 of measure 3, the system's last note
        self.display.key("ctrl+3")   # Erase Mode: its place becomes a rest
        self.display.click(x, y)
        desktop.wait_until("the note erased", lambda: len(noteheads(self.screen().crop(self.client_area()), top,
                                                                    space)) == len(heads) - 1, 10)

        # The quarter note of the palette, then a click where the F4 stood.
        self.palette_symbol(2)
        self.display.focus(self.main)
        self.display.click(x, y)
        placed = desktop.wait_until("a notehead where the click was", lambda: (
            lambda now: [h for h in noteheads(now, top, space)
                         if abs(h[0] - x) <= space and abs(h[1] - y) <= space / 2] and now)(
            self.screen().crop(self.client_area())), 10)
        self.screen("placed")
        self.assertEqual(len(noteheads(placed, top, space)), len(heads), "one note back, nothing else")

        before = set(self.display.visible_windows())
        self.display.key("ctrl+s")
        question = self.new_window(before, "the question whether to save in the native format")
        self.display.key("alt+n")
        self.wait_gone(question)
        desktop.wait_until("the file saved with the placed F4", lambda: midi_keys(midi)[:12] ==
                           [60, 62, 64, 65, 67, 69, 71, 72, 60, 62, 64, 65], 10)

    def test_save_as_a_new_name(self):
        midi = self.path("scale.mid")
        midi_file(midi)
        self.start()
        self.open_file(midi)
        self.wait_main_name(r"scale\.mid")
        target = self.path("renamed.mmm")
        self.name_file("the Save As dialog", ("f", "a"), target)
        desktop.wait_until(f"{target} on disk", lambda: os.path.exists(target) and os.path.getsize(target) > 0)
        self.wait_main_name(r"renamed\.mmm")
        self.screen("saved")

    def print_both_ways(self):
        """A MIDI file printed to PDF by --print-to and through File › Print
        with the score showing; the two files' paths."""
        # Enough measures for several pages, so that a layout of its own in
        # either way of printing shows in the page count.
        midi = self.path("scale.mid")
        midi_file(midi, bars=120)
        direct = self.path("direct.pdf")
        printer = desktop.Program(self.binary, self.display, ["--print-to", midi, direct],
                                  home=self.path("print-home"))
        self.addCleanup(printer.close)
        printer.wait_exit(60)
        self.assertTrue(os.path.exists(direct), printer.output())

        self.start()
        self.open_file(midi)
        self.wait_main_name(r"scale\.mid")
        self.menu("v", "2")   # the score, which prints
        area = self.client_area()
        desktop.wait_until("the score", lambda: self.screen().crop(area).staves(), 20)
        dialogued = self.path("dialog.pdf")
        self.print_to_pdf(dialogued)
        return direct, dialogued

    def print_to_pdf(self, path):
        """File › Print with the score showing, into the PDF file `path`
        (the dialog's Output file); waits until the file can be read."""
        dialog = self.choose("the Print dialog", "f", "p")
        self.display.key("alt+f", "ctrl+a")   # Output file
        self.display.type(path)
        self.display.key("Return")
        self.wait_gone(dialog, 20)
        desktop.wait_until(f"{path} on disk", lambda: os.path.exists(path) and pdf_facts(path), 30)

    def test_printing_to_pdf_from_the_dialog_matches_the_command_line(self):
        direct, dialogued = self.print_both_ways()
        self.assertEqual(pdf_facts(dialogued), pdf_facts(direct))

    def test_printing_from_the_dialog_lays_the_page_out_as_the_command_line(self):
        direct, dialogued = self.print_both_ways()
        # Where the first page's ink begins, left and top, at 36 dots an inch.
        self.assertLessEqual(max(abs(a - b) for a, b in zip(first_page_ink(dialogued), first_page_ink(direct))), 1,
                             f"first ink (left, top): dialog {first_page_ink(dialogued)}, "
                             f"--print-to {first_page_ink(direct)}")

    def test_bar_buttons_keep_their_images_after_play_and_stop(self):
        midi = self.path("scale.mid")
        midi_file(midi)
        self.start_without_closing_the_tip()
        # The bars' row below the menu: File, Edit, Transport bars and the
        # time display. Each black button image is a span of dark columns.
        frame = self.display.geometry(self.main)
        bars = desktop.Rect(frame.x, frame.y + 28, min(frame.width, 700), 40)
        first = self.screen("bars-first").crop(bars)
        images = first.ink_spans(limit=50)
        self.assertGreaterEqual(len(images), 10, "the bars' buttons show their images when first drawn")
        self.close_tip()
        self.open_file(midi)
        self.wait_main_name(r"scale\.mid")
        self.menu("p", "p")   # Perform › Play
        time.sleep(1.5)
        self.menu("p", "s")   # Perform › Stop
        time.sleep(1)
        after = self.screen("bars-after").crop(bars)
        # Every image is still there, drawn enabled or greyed (lighter).
        blank = [(left, right) for left, right in images
                 if after.crop(desktop.Rect(after.left + left, after.top, right - left + 1, after.height)).ink(200) < 10]
        self.assertEqual(blank, [], "button images gone after Play and Stop (columns of the bars' row)")

    def test_help_home_page_without_an_address_tells_so(self):
        self.start()
        box = self.choose("a message box saying the address is missing", "h", "n", "h")
        self.screen("message", box)
        self.display.key("Return")
        self.wait_gone(box)

    def test_alt_and_a_letter_opens_the_menu_with_the_score_active(self):
        midi = self.path("scale.mid")
        midi_file(midi)
        self.start()
        self.open_file(midi)
        self.wait_main_name(r"scale\.mid")
        self.menu("v", "2")   # the score, whose bar has a Voice box labelled with its own V
        area = self.client_area()
        desktop.wait_until("the score", lambda: self.screen().crop(area).staves(), 20)
        before = set(self.display.visible_windows())
        self.display.key("alt+v")   # held with the letter, as a person types it
        menu = self.new_window(before, "the View menu's drop-down")
        self.screen("view-menu")
        self.display.key("Escape")
        self.wait_gone(menu)

    def test_the_file_bar_dragged_to_the_left_floats_and_docks_again_at_the_bottom(self):
        self.start()
        frame = self.display.geometry(self.main)
        # The bars' row below the menu; the File bar comes first, its handle
        # at the row's left end.
        row = desktop.Rect(frame.x, frame.y + 28, min(frame.width, 700), 40)
        # The row's right end: the time display's black box, the last bar.
        before = self.screen("bars-first").crop(row).ink_spans(limit=50)[-1][1]
        handle = (frame.x + 5, frame.y + 48)

        # The File bar docks on the top and bottom only: let go on the left
        # edge, it floats there in a window of its own.
        self.display.drag(*handle, frame.x + 10, frame.y + frame.height // 2)
        floating = self.display.wait_window(r"^File$")
        where = self.display.geometry(floating)
        self.screen("file-floating", floating)
        self.assertLess(where.x - frame.x, 40, "the File bar floats where it was let go, by the left edge")
        left = self.screen("left").crop(row).ink_spans(limit=50)[-1][1]
        self.assertLess(left, before - 60, "the bars after the File bar moved up into its place")

        # Dragged by its caption onto the bottom edge, it docks there, on a
        # line of its own above the mixer: its window goes, its buttons show
        # at the bottom left, and the main window keeps its size.
        bottom = desktop.Rect(frame.x, frame.y + frame.height - 260, 200, 230)
        self.assertEqual(self.screen().crop(bottom).ink(50), 0, "nothing dark at the bottom left before")
        self.display.drag(where.x + 20, where.y + 6, frame.x + frame.width // 2, frame.y + frame.height - 40)
        self.wait_gone(floating)
        self.assertGreater(self.screen("bottom").crop(bottom).ink(50), 20, "the File bar's buttons at the bottom")
        after = self.display.geometry(self.main)
        self.assertEqual((after.width, after.height), (frame.width, frame.height))

        # The place is kept: started again, the File bar is at the bottom.
        self.menu("f", "x")   # File › Exit
        self.program.wait_exit()
        self.start()
        self.assertGreater(self.screen("started-again").crop(bottom).ink(50), 20, "the File bar at the bottom again")

    def test_a_chord_picked_in_insert_chord_shows_above_the_staff_and_cancel_changes_nothing(self):
        midi = self.path("scale.mid")
        midi_file(midi, bars=4)
        self.start()
        image, top, space = self.score_of(midi)
        # The quarters of the system's three measures (the clef's and the
        # meter's blobs come before them).
        heads = noteheads(image, top, space)[-12:]
        self.assertEqual(len(heads), 12, f"noteheads of the first system: {heads}")
        area = self.client_area()

        def above(first, last):
            """The band above the staff from head `first` to head `last`, on the screen."""
            return desktop.Rect(heads[first][0], area.y + round(top - 4 * space),
                                heads[last][0] - heads[first][0], round(3.5 * space))

        def dialog_point(dialog, x, y):
            """A point of the dialog given in its template's units (421 by 122)."""
            where = self.display.geometry(dialog)
            return where.x + round(x * where.width / 421), where.y + round(y * where.height / 122)

        measure2, measure3 = above(4, 7), above(8, 11)
        ink2 = self.screen().crop(measure2).ink()   # the measure number, a stem
        ink3 = self.screen().crop(measure3).ink()

        # The chord symbol: the last of the Notes page's second row.
        self.display.focus(self.main)
        self.display.key("alt+1")
        palette = self.display.wait_window(r"^Music Palette$")
        where = self.display.geometry(palette)
        row = desktop.wait_until("the palette's second row of symbols", lambda: (
            lambda image: image.ink_spans(limit=96) and image)(
            self.screen(window=palette).crop(desktop.Rect(where.x, where.y + 85, where.width, 35))), 10)
        left, right = row.ink_spans(limit=96)[-1]
        self.display.click(row.left + (left + right) // 2, row.top + row.height // 2)

        # A click on beat 2 of measure 2 opens the picker.
        self.display.focus(self.main)
        x, y = heads[5][0], area.y + round(top + 2 * space)
        self.display.click(x, y)
        picker = self.display.wait_window(r"^Insert Chord$")
        self.display.focus(picker)
        # The root list has the focus: C by its letter, then Sharp by the mouse;
        # the bass list by its group's access key, E by its letter (Normal is
        # checked); the quality typed into its list.
        self.display.type("c")
        self.display.click(*dialog_point(picker, 100, 22))
        self.display.key("alt+b")
        self.display.type("e")
        self.display.key("alt+q")
        self.display.type("Minor 9")
        time.sleep(0.5)
        shot = self.screen("picker", picker)
        sample = shot.crop(desktop.Rect(*dialog_point(picker, 252, 62), round(98 * shot.width / 421),
                                        round(46 * shot.height / 122)))
        self.assertGreater(sample.ink(), 20, "the sample shows the chord")
        self.display.key("Return")
        self.wait_gone(picker)
        placed = desktop.wait_until("the chord's name above measure 2", lambda: (
            lambda image: image.ink() > ink2 + 20 and image)(self.screen().crop(measure2)), 10)
        self.screen("placed")
        spans = placed.ink_spans(limit=96, gap=8)
        self.assertTrue(spans[0][0] < x - measure2.x < spans[-1][1], f"the name stands over beat 2: {spans}")
        self.assertEqual(self.screen().crop(measure3).ink(), ink3, "nothing else above the staff")

        # Cancel in the picker over measure 3 changes nothing.
        self.display.focus(self.main)
        self.display.click(heads[9][0], y)
        picker = self.display.wait_window(r"^Insert Chord$")
        self.display.focus(picker)
        self.display.type("d")
        self.display.key("Escape")
        self.wait_gone(picker)
        time.sleep(0.5)
        self.screen("cancelled")
        self.assertEqual(self.screen().crop(measure3).ink(), ink3, "Cancel placed nothing")

        # Saved in the program's own format, the chord is in the file: its
        # class and its word (C sharp, bass E, minor 9, the name alone).
        target = self.path("chords.mmm")
        self.name_file("the Save As dialog", ("f", "a"), target)
        desktop.wait_until(f"{target} on disk", lambda: os.path.exists(target) and os.path.getsize(target) > 0)
        with open(target, "rb") as file:
            saved = file.read()
        self.assertTrue(b"ECChordSymbol" in saved, "a chord symbol in the saved file")
        self.assertTrue(bytes([2, 7, 12, 1]) in saved, "C sharp minor 9 over E, by name, in the saved file")

    def test_a_bass_clef_from_the_palette_clicked_mid_measure_moves_the_notes_after_it_and_is_saved(self):
        midi = self.path("scale.mid")
        midi_file(midi, bars=4)
        self.start()
        image, top, space = self.score_of(midi)
        staff_top = image.top + top
        # The system's twelve notes, after the clef and meter: measure 2
        # holds G4 A4 B4 C5, beat 3 (B4) is the seventh.
        notes = noteheads(image, top, space)[-12:]
        self.assertEqual(len(notes), 12, f"noteheads of the first system: {notes}")
        x = notes[6][0] - int(space * 0.6)   # between beats 2 and 3, nearer 3

        palette = self.palette_page(2)   # Staff: treble, bass, ...
        self.click_symbol(palette, 1)
        self.display.focus(self.main)
        self.display.click(x, int(staff_top + 2 * space))

        def on_bass_clef(what):
            # The six notes after the clef stand above the staff (on the bass
            # clef's lines B4 is four spaces over it, C4 a ledger line), and
            # a clef stands in the staff below or before the first of them.
            def look():
                now = self.screen().crop(self.client_area())
                high = [h for h in noteheads(now, top - 6 * space, space) if h[0] > x and h[1] < staff_top]
                if len(high) != 6:
                    return None
                left = notes[5][0] + int(space)
                clef = now.crop(desktop.Rect(left, int(staff_top), high[0][0] + int(space) - left, int(4 * space)))
                return clef.ink() > space * space and now
            return desktop.wait_until(what, look, 10)

        placed = on_bass_clef("the notes after the clicked beat drawn on the bass clef")
        self.screen("placed")
        now = noteheads(placed, top, space)
        stayed = [old for old in notes[6:] if any(abs(h[0] - old[0]) <= space and abs(h[1] - old[1]) <= space / 2
                                                  for h in now)]
        self.assertEqual(stayed, [], "no note after the clef stands where the treble clef put it")
        self.assertTrue(all(old in now for old in notes[:6]), "the notes before the clef stay")

        # Saved in the program's own format, closed, and opened again.
        saved = self.path("clef.mmm")
        self.name_file("the Save As dialog", ("f", "a"), saved)
        self.wait_main_name(r"clef\.mmm")
        self.menu("f", "c")
        desktop.wait_until("the document closed", lambda: "clef.mmm" not in self.main_name())
        self.open_file(saved)
        self.wait_main_name(r"clef\.mmm")
        self.menu("v", "2")
        desktop.wait_until("staff lines in the main window", lambda: self.screen().crop(self.client_area()).staves(), 20)
        on_bass_clef("the bass clef kept in the saved file")
        self.screen("opened")

    def test_a_crescendo_dragged_under_a_measure_shows_and_is_kept_in_the_saved_file(self):
        midi = self.path("scale.mid")
        midi_file(midi, bars=4)
        self.start()
        image, top, space = self.score_of(midi)
        staff_top = image.top + top
        # The rightmost heads of the system are measure 3's: C4 D4 E4 F4.
        heads = noteheads(image, top, space)
        self.assertGreaterEqual(len(heads), 8, f"noteheads of the first system: {heads}")
        beat1, beat3 = heads[-4][0], heads[-2][0]
        middle = round(staff_top + 2 * space)
        # Below the C4's ledger line, where dynamics stand, over the two beats.
        below = desktop.Rect(beat1 - round(space), round(staff_top + 6 * space),
                             beat3 - beat1 + round(2 * space), round(6 * space))

        def wedge(shot):
            """The dark columns' first and last x and the ink's height at
            each end, in `below`; None without ink."""
            rows = shot.crop(below)._dark_rows(96)
            columns = {}
            for y, row in enumerate(rows):
                for x, flag in enumerate(row.to_bytes(below.width, "big")):
                    if flag:
                        low, high = columns.get(x, (y, y))
                        columns[x] = (min(low, y), max(high, y))
            if not columns:
                return None
            first, last = min(columns), max(columns)
            return first, last, columns[first][1] - columns[first][0], columns[last][1] - columns[last][0]

        self.assertIsNone(wedge(self.screen()), "nothing under measure 3 yet")

        # The crescendo of the Expression page (the wedge opening to the
        # right, next to last of its first row), dragged from beat 3 of
        # measure 3 back to its beat 1.
        palette = self.palette_page(3)
        row = desktop.wait_until("the Expression page's first row", lambda: (
            lambda image: len(image.ink_spans(limit=96)) >= 3 and image)(
            self.screen(window=palette).crop(self._palette_row(palette))), 10)
        left, right = row.ink_spans(limit=96)[-2]
        self.display.click(row.left + (left + right) // 2, row.top + row.height // 2)
        self.display.focus(self.main)
        self.display.drag(beat3, middle, beat1, middle)
        shape = desktop.wait_until("a wedge under measure 3", lambda: wedge(self.screen()), 10)
        self.screen("dragged")
        first, last, opening, closing = shape
        self.assertGreater(last - first, 0.6 * (beat3 - beat1), f"it spans the two beats: {shape}")
        self.assertGreater(closing, opening + space / 2, f"it opens to the right: {shape}")

        saved = self.path("crescendo.mmm")
        self.name_file("the Save As dialog", ("f", "a"), saved)
        desktop.wait_until(f"{saved} on disk", lambda: os.path.exists(saved) and os.path.getsize(saved) > 0)
        self.wait_main_name(r"crescendo\.mmm")

        # Opened again in a new start of the program: the wedge is there.
        self.program.close()
        self.start()
        self.score_of(saved)
        again = desktop.wait_until("the wedge in the opened file", lambda: wedge(self.screen()), 10)
        self.screen("reopened")
        self.assertAlmostEqual(again[0], first, delta=space)
        self.assertAlmostEqual(again[1], last, delta=space)

    def lyric_ink(self, image, heads, top, space):
        """For each notehead, the dark pixels of the band below the staff
        where its syllable stands: from two spaces under the bottom line,
        three spaces deep, a space and a half either side of the head."""
        counts = []
        for x, _ in heads:
            band = desktop.Rect(x - int(1.5 * space), image.top + int(top + 6 * space), int(3 * space), int(3 * space))
            counts.append(image.crop(band).ink(128))
        return counts

    def test_lyrics_typed_under_the_notes_show_and_come_back_when_the_saved_file_is_opened(self):
        midi = self.path("scale.mid")
        midi_file(midi)
        self.start()
        image, top, space = self.score_of(midi)
        # The system's eight notes are its last heads (the clef and meter may
        # read as heads too); the first measure's four.
        heads = noteheads(image, top, space)[-8:][:4]
        self.assertEqual(len(heads), 4, f"the first measure's noteheads: {heads}")
        self.assertEqual(self.lyric_ink(image, heads, top, space), [0, 0, 0, 0], "no lyrics yet")

        # The palette's Expression page, then its Lyric symbol.
        palette = self.palette_page(3)
        x0, y0 = self.first_button_centre(palette)
        # Lyric: the third button of the second row, after the dynamics, tempo and text.
        self.display.click(x0 + 2 * 32, y0 + 32)
        self.screen("palette", palette)
        self.display.focus(self.main)

        # A click under the first note, then the syllables as a person types them.
        x, _ = heads[0]
        self.display.click(x, self.client_area().y + int(top + 7 * space))
        time.sleep(0.5)
        self.screen("box")
        self.display.type("la")
        time.sleep(0.3)
        self.screen("typing")
        self.display.key("space")
        self.display.type("li")
        self.display.key("space")
        self.display.type("lo")
        self.display.key("Return")
        # The notes make room for their syllables: the heads are found again.
        def under_heads(now):
            return self.lyric_ink(now, noteheads(now, top, space)[-8:][:4], top, space)
        shown = desktop.wait_until("a syllable under each of the first three notes", lambda: (
            lambda now: all(under_heads(now)[:3]) and now)(self.screen().crop(self.client_area())), 10)
        self.screen("typed")
        self.assertEqual(under_heads(shown)[3], 0, "nothing under the fourth note")

        target = self.path("lyrics.mmm")
        self.name_file("the Save As dialog", ("f", "a"), target)
        self.wait_main_name(r"lyrics\.mmm")
        self.menu("f", "c")   # File › Close
        desktop.wait_until("the document to close", lambda: "lyrics.mmm" not in self.main_name())
        image, top, space = self.score_of(target)
        self.screen("reopened")
        heads = noteheads(image, top, space)[-8:][:4]
        counts = self.lyric_ink(image, heads, top, space)
        self.assertTrue(all(counts[:3]) and counts[3] == 0, f"the syllables again, under notes 1 to 3: {counts}")

    def test_two_equal_notes_tied_from_the_edit_menu_show_print_and_stay_tied(self):
        # G4 G4 A4 B4 in both measures: the first two are tied, the two of
        # measure 2 stay as they are and show what an untied pair looks like.
        midi = self.path("pairs.mid")
        midi_file(midi, bars=2, scale=(67, 67, 69, 71))
        self.start()
        _, _, space = self.score_of(midi)
        untied = self.path("untied.pdf")
        self.print_to_pdf(untied)   # the score is laid out on the printer's sheet from here on

        def notes_of(image):
            """The eight notes' heads: the rightmost heads found (clef and meter come first)."""
            staves = image.staves()
            return noteheads(image, staves[0], space)[-8:] if staves else []

        def under_pairs(image, heads):
            """The ink below the heads of each pair of G4s, between them."""
            inks = []
            for (x0, y0), (x1, _) in (heads[0:2], heads[4:6]):
                box = desktop.Rect(x0 + int(space), y0 + int(space * 0.4), x1 - x0 - 2 * int(space), int(space * 2))
                inks.append(image.crop(box).ink(128))
            return inks

        time.sleep(0.5)   # the last paint
        image = self.screen("untied").crop(self.client_area())
        heads = notes_of(image)
        self.assertEqual(len(heads), 8, f"noteheads of the first system: {heads}")
        first, second = under_pairs(image, heads)
        self.assertLessEqual(abs(first - second), space, "both pairs look alike before")

        # A band around the first two notes selects them; Edit › Tie Notes.
        (x0, y0), (x1, _) = heads[0], heads[1]
        self.display.key("ctrl+1")   # Select Mode
        self.display.drag(x0 - int(space * 1.5), y0 - int(space * 4), x1 + int(space * 1.5), y0 + int(space * 3))
        self.menu("e", "i")
        # A click on the page's blank margin lets the notes go (drawn black
        # again); the band may have scrolled the score: the notes are found again.
        area = self.client_area()
        self.display.click(area.x + 24, area.y + area.height - 60)
        def tied_now():
            now = self.screen().crop(self.client_area())
            found = notes_of(now)
            return len(found) == 8 and (lambda inks: inks[0] > inks[1] + 2 * space)(under_pairs(now, found))

        desktop.wait_until("a tie under the first two notes", tied_now, 10)
        self.screen("tied")

        # Printed: the page differs from the one printed before by a mark
        # about two quarters wide, and nothing else.
        printed = self.path("tied.pdf")
        self.print_to_pdf(printed)
        dpi = 96
        before, after = first_page(untied, dpi), first_page(printed, dpi)
        self.assertEqual((before.width, before.height), (after.width, after.height))
        changed = [i for i, (a, b) in enumerate(zip(before.rgb[::3], after.rgb[::3])) if a >= 128 > b]
        lost = sum(1 for a, b in zip(before.rgb[::3], after.rgb[::3]) if b >= 128 > a)
        self.assertGreater(len(changed), 20, "the tie is printed")
        self.assertLess(lost, 5, "nothing printed before is gone")
        xs = [i % after.width for i in changed]
        ys = [i // after.width for i in changed]
        self.assertLess(max(xs) - min(xs), dpi, f"one mark, under an inch wide ({min(xs)}..{max(xs)})")
        self.assertLess(max(ys) - min(ys), dpi // 4, f"and flat ({min(ys)}..{max(ys)})")

        # Saved in the program's own format, closed and opened again: still tied.
        saved = self.path("tied.mmm")
        self.name_file("the Save As dialog", ("f", "a"), saved)
        self.wait_main_name(r"tied\.mmm")
        self.menu("f", "c")
        desktop.wait_until("the document to close", lambda: "tied.mmm" not in self.main_name())
        image, _, space = self.score_of(saved)
        heads = notes_of(image)
        self.screen("reopened")
        self.assertEqual(len(heads), 8, f"noteheads after opening again: {heads}")
        first, second = under_pairs(image, heads)
        self.assertGreater(first, second + 2 * space, "the first pair is still tied")

    def test_a_picture_inserted_from_the_edit_menu_is_kept_by_the_saved_score(self):
        midi = self.path("tune.mid")
        midi_file(midi, bars=2)
        picture = self.path("red.png")
        desktop.Image(120, 60, bytes([220, 30, 30]) * (120 * 60)).save_png(picture)   # 96 dpi: no resolution
        self.start()
        image, _, space = self.score_of(midi)
        # A blank place of the page, above the ruler over the staff (the
        # lowest staff found: the window's background has lines too): the
        # picture's upper-left corner goes where the pointer is.
        x, y = image.left + 100, int(image.top + image.staves()[-1] - space * 28)
        place = desktop.Rect(x - 4, y - 4, 130, 70)

        def frame_shown():
            """The picture's red, or while pictures are not drawn its outline."""
            shot = self.screen().crop(place)
            red = sum(1 for i in range(0, len(shot.rgb), 3)
                      if shot.rgb[i] > 180 and shot.rgb[i + 1] < 90 and shot.rgb[i + 2] < 90)
            return red > 120 * 60 // 2 or shot.ink(128) > 2 * (120 + 60) * 3 // 4

        self.assertEqual(self.screen().crop(place).ink(128), 0, "the place is blank at first")
        self.display.key("ctrl+1")   # Select Mode
        self.display.click(x, y)
        dialog = self.choose("the Insert Object dialog", "e", "o")
        self.screen("insert-object", dialog)
        self.display.type(picture)
        self.display.key("Return")
        self.wait_gone(dialog)
        desktop.wait_until("the picture's frame at the pointer", frame_shown, 10)
        self.screen("inserted")

        saved = self.path("with picture.mmm")
        self.name_file("the Save As dialog", ("f", "a"), saved)
        self.wait_main_name(r"with picture\.mmm")
        with open(saved, "rb") as file:
            self.assertIn("Embedding 1".encode("utf-16-le"), file.read(), "the picture's storage in the file")
        self.menu("f", "c")
        desktop.wait_until("the document to close", lambda: "with picture.mmm" not in self.main_name())
        self.score_of(saved)
        desktop.wait_until("the picture's frame after opening again", frame_shown, 10)
        self.screen("reopened")

    def test_notes_copied_in_one_score_are_pasted_into_a_measure_of_another_and_saved(self):
        # The first score: C4 D4 E4 F4. The second: a whole G4, then two
        # empty measures.
        first = self.path("first.mid")
        midi_file(first, bars=1)
        second = self.path("second.mid")
        bar = 4 * 480
        conductor = b"\x00\xff\x58\x04\x04\x02\x18\x08\x00\xff\x51\x03\x07\xa1\x20\x00\xff\x2f\x00"
        def delta(ticks):
            out = bytes([ticks & 0x7F])
            ticks >>= 7
            while ticks:
                out = bytes([0x80 | (ticks & 0x7F)]) + out
                ticks >>= 7
            return out
        notes = b"\x00\x90\x43\x5a" + delta(bar) + b"\x80\x43\x00" + delta(2 * bar) + b"\xff\x2f\x00"
        with open(second, "wb") as out:
            out.write(b"MThd" + struct.pack(">IHHH", 6, 1, 2, 480)
                      + b"MTrk" + struct.pack(">I", len(conductor)) + conductor
                      + b"MTrk" + struct.pack(">I", len(notes)) + notes)

        self.start()
        image, top, space = self.score_of(first)
        heads = noteheads(image, top, space)[-4:]
        self.assertEqual(len(heads), 4, f"the first score's noteheads: {heads}")
        # A band around C4 and D4 selects them; Ctrl+C.
        (x0, y0), (x1, y1) = heads[0], heads[1]
        self.display.key("ctrl+1")   # Select Mode
        self.display.drag(x0 - int(space * 1.5), y1 - int(space * 3), x1 + int(space * 1.5), y0 + int(space * 3))
        self.display.key("ctrl+c")
        # The first score closed: its notes stay on the clipboard, and the
        # second one gets the room.
        time.sleep(0.5)
        self.screen("copied")
        self.menu("f", "c")
        desktop.wait_until("the first score closed", lambda: "first.mid" not in self.main_name())

        image, top, space = self.score_of(second)
        area = self.client_area()
        staff_top = image.top + top
        def pasted_notes(image, top, space):
            """The filled heads from the bottom line down, but the leftmost
            (the treble clef's curl passes for one); the rests' boxes stand
            higher."""
            low = [h for h in noteheads(image, top, space) if h[1] > image.top + top + 4 * space]
            return low[1:]

        # Measures 2 and 3 each hold a whole rest (a box under the fourth
        # line) in their middle: measure 2 begins half a measure before its rest.
        rests = [h for h in noteheads(image, top, space) if abs(h[1] - (staff_top + 1.25 * space)) < space / 2]
        self.assertEqual(len(rests), 2, f"the whole rests of measures 2 and 3: {rests}")
        barline = rests[0][0] - (rests[1][0] - rests[0][0]) // 2
        # A click just after the barline: the caret at the measure's first beat.
        self.display.click(barline + 3, int(staff_top + 2 * space))
        self.display.key("ctrl+v")
        # The pasted notes are selected (green): a click on the page's blank
        # margin lets them go, drawn black.
        time.sleep(0.5)
        self.screen("pasted")
        self.display.click(area.x + 24, area.y + area.height - 60)

        def pasted():
            now = self.screen().crop(self.client_area())
            found = pasted_notes(now, top, space)
            return len(found) == 2 and found
        found = desktop.wait_until("two noteheads in measure 2", pasted, 10)
        self.screen("deselected")
        (px0, py0), (px1, py1) = found
        self.assertGreater(px0, barline, "in measure 2")
        self.assertLess(px1, rests[1][0] - (rests[1][0] - rests[0][0]) // 2, "before measure 3")
        self.assertAlmostEqual(py0 - py1, space / 2, delta=space / 4, msg="C4 then D4, a step apart")
        self.assertAlmostEqual(py0, staff_top + 5 * space, delta=space / 4, msg="C4 on the ledger line below")

        # Saved in the program's own format, opened again in a new start.
        saved = self.path("pasted.mmm")
        self.name_file("the Save As dialog", ("f", "a"), saved)
        desktop.wait_until(f"{saved} on disk", lambda: os.path.exists(saved) and os.path.getsize(saved) > 0)
        self.wait_main_name(r"pasted\.mmm")
        self.program.close()
        self.start()
        image, top, space = self.score_of(saved)
        self.screen("reopened")
        kept = pasted_notes(image, top, space)
        self.assertEqual(len(kept), 2, f"the pasted notes kept: {kept}")
        self.assertAlmostEqual(kept[0][1] - kept[1][1], space / 2, delta=space / 4, msg="C4 then D4")

    def test_a_picture_inserted_as_an_object_shows_in_the_score_and_prints_without_its_tracker(self):
        import zlib

        def write_png(path, width, height, colour):
            """A PNG of one colour, with no resolution of its own (96 dpi)."""
            row = b"\0" + bytes(colour) * width
            def chunk(kind, body):
                return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
            with open(path, "wb") as out:
                out.write(b"\x89PNG\r\n\x1a\n")
                out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
                out.write(chunk(b"IDAT", zlib.compress(row * height, 6)))
                out.write(chunk(b"IEND", b""))

        def box_of(image, wanted):
            """The pixels for which `wanted` (r, g, b) holds: their count and bounding box."""
            rgb, xs, ys = image.rgb, [], []
            for i in range(0, len(rgb), 3):
                if wanted(rgb[i], rgb[i + 1], rgb[i + 2]):
                    xs.append((i // 3) % image.width)
                    ys.append((i // 3) // image.width)
            return (len(xs), (min(xs), min(ys), max(xs), max(ys))) if xs else (0, None)

        def red(r, g, b):
            return r > 200 and g < 60 and b < 60

        def cyan(r, g, b):   # red inverted: the tracker's handles over the picture
            return r < 60 and g > 200 and b > 200

        midi = self.path("scale.mid")
        midi_file(midi, bars=2)
        picture = self.path("red.png")
        write_png(picture, 96, 64, (255, 0, 0))
        self.start()
        _, top, space = self.score_of(midi)
        area = self.client_area()
        # The select tool stands where the pointer last was: on the blank
        # page below the staff.
        self.display.click(area.x + area.width // 3, area.y + top - int(space * 22))
        dialog = self.choose("the Insert Object dialog", "e", "o")
        # The dialog opens on Create from File with its file name focused.
        self.display.type(picture)
        self.display.key("Return")
        self.wait_gone(dialog)
        desktop.wait_until("the picture in the score",
                           lambda: box_of(self.screen().crop(area), red)[0] > 96 * 64 * 0.9, 10)
        count, (x0, y0, x1, y1) = box_of(self.screen("inserted").crop(area), red)
        self.assertLessEqual(abs((x1 - x0 + 1) - 96), 1, "a 96-pixel picture is an inch wide on screen")
        self.assertLessEqual(abs((y1 - y0 + 1) - 64), 1)

        # Clicked, it is selected: the tracker's handles show over its corners.
        self.display.click(area.x + (x0 + x1) // 2, area.y + (y0 + y1) // 2)
        desktop.wait_until("the tracker's handles", lambda: box_of(self.screen().crop(area), cyan)[0] > 40, 10)
        self.screen("selected")

        # On paper the picture alone: one even block of the red's grey.
        printed = self.path("picture.pdf")
        self.print_to_pdf(printed)
        page = first_page(printed, 96)
        self.screen("printed")
        if os.environ.get("E2E_SHOTS"):
            page.save_png(self.shot_path("page"))
        # Pure red in grey is 76; the staff's smoothed edges have such greys
        # too, but only the picture makes a large solid block of them.
        blocks = solid_blocks(page, lambda r, g, b: 60 <= r <= 95, 1000)
        self.assertEqual(len(blocks), 1, "the picture is printed, one block")
        count, (left, upper, right, lower) = blocks[0]
        width, height = right - left + 1, lower - upper + 1
        self.assertLessEqual(abs(width - 96), 2, f"an inch wide on paper too ({width})")
        self.assertLessEqual(abs(height - 64), 2, f"({height})")
        self.assertGreater(count, width * height * 0.95, "no handles or lines cut into it")
