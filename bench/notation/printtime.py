#!/usr/bin/env python3
"""Times printing a MIDI file to PDF from the command line.

    printtime.py <bin folder> [runs]

For each seeded piece (small, medium, large; the generator in the bin folder
writes them) it runs `staffwright --print-to piece.mid piece.pdf` `runs` times
(5 unless given) without a display, and prints the median wall time, the
largest resident memory and the time per note beside the reference figures
the goals are set against. It reports; it never fails on a figure. Exit status
1 only when a run itself fails (no PDF, or a non-zero exit).
"""
import os
import re
import statistics
import subprocess
import sys
import tempfile
import threading
import time

SEED = 1
LIMIT_SECONDS = int(os.environ.get("PRINTTIME_LIMIT", "600"))   # a run taking longer is stopped and counts as failed
# size: (reference seconds, reference megabytes); the goal is a third of the
# time and half of the memory.
REFERENCE = {"small": (0.25, 77), "medium": (1.52, 126), "large": (11.5, 527)}


def run_once(program, midi, pdf, env):
    """Wall seconds and peak resident megabytes of one print."""
    if os.path.exists(pdf):
        os.remove(pdf)
    start = time.monotonic()
    child = subprocess.Popen([program, "--print-to", midi, pdf], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    watchdog = threading.Timer(LIMIT_SECONDS, child.kill)
    watchdog.start()
    _, status, usage = os.wait4(child.pid, 0)
    watchdog.cancel()
    wall = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    said = child.stderr.read().decode(errors="replace").strip().splitlines()
    error = said[-1] if said else ""
    child.stderr.close()
    if child.returncode != 0 or not os.path.exists(pdf):
        raise RuntimeError(f"{os.path.basename(midi)}: exit {child.returncode}: {error}")
    return wall, usage.ru_maxrss / 1024.0


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    bin_dir = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    program = os.path.join(bin_dir, "staffwright")
    generator = os.path.join(bin_dir, "midigen")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    failed = False
    with tempfile.TemporaryDirectory() as folder:
        env["HOME"] = folder   # a profile of its own, the program's defaults
        print(f"{'piece':8} {'notes':>7} {'median s':>9} {'peak MB':>8} {'us/note':>8}   reference s / MB (goal)")
        for size, (ref_s, ref_mb) in REFERENCE.items():
            midi = os.path.join(folder, size + ".mid")
            said = subprocess.run([generator, size, str(SEED), midi], capture_output=True, text=True, check=True)
            notes = int(re.search(r"(\d+) notes", said.stdout).group(1))
            try:
                results = [run_once(program, midi, os.path.join(folder, size + ".pdf"), env) for _ in range(runs)]
            except RuntimeError as error:
                print(f"{size:8} {notes:7}   failed: {error}")
                failed = True
                continue
            wall = statistics.median(r[0] for r in results)
            peak = max(r[1] for r in results)
            print(f"{size:8} {notes:7} {wall:9.3f} {peak:8.0f} {wall * 1e6 / notes:8.1f}   "
                  f"{ref_s} / {ref_mb} (<= {ref_s / 3:.2f} s, <= {ref_mb / 2:.0f} MB)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
