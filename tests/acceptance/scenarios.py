#!/usr/bin/env python3
"""Operator scenarios on the installed console. Usage:
    scenarios.py --prefix DIR --workdir DIR --scale N SCENARIO
Each scenario starts its own X server, emulator and console; on failure it keeps its
screenshots and prints where they are."""

import argparse
import os
import re
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # nothing written into the source tree
from driver import Failure, Image, Session  # noqa: E402

LIMIT = 240
MAIN = "Zefron"
BOX = "Zef"
POINT = re.compile(rb"[+-][0-9.e+-]+, [+-]\d+\.\d{6}, [+-]\d+\.\d{6}")


# --- steps shared by the scenarios ------------------------------------------------------------

def start_online(s):
    """A console whose stored port is the emulator: main window, splash, start-up commands."""
    s.write_profile(f"[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM1={s.link}\r\n")
    s.start_zef()
    main = s.window(MAIN, 30)
    wait_startup_commands(s)
    return main


def wait_startup_commands(s):
    # The splash goes by itself after a second; then 0x03 and C reach the controller, in order.
    s.wait(lambda: len(s.wire()) >= 2, 20, "the start-up commands on the wire")
    s.check(s.wire()[:2] == ["<03>", "C"], f"start-up commands were {s.wire()[:2]}")
    s.check(not s.windows(BOX), "a box is up after start-up")


def box_of(s, win):
    x, y, w, h = s.geometry(win)
    return (x, y, x + w, y + h)


def set_wind(s, main, speed):
    s.key(main, "w")
    dlg = s.window("Wind Speed")
    s.key(dlg, "ctrl+a")
    s.type(dlg, str(speed))
    s.key(dlg, "Return")
    s.gone("Wind Speed")


def ramp_to(s, mark, tenths, timeout=15):
    """The commanded speed climbs by 5 tenths a tick from where it was and holds at `tenths`."""
    speeds = s.wire_after(mark, lambda ls: s.speeds(ls).count(tenths) >= 2 and s.speeds(ls),
                          timeout, f"W{tenths} on the wire")
    steps = {b - a for a, b in zip(speeds, speeds[1:])}
    s.check(steps <= {0, 5, -5}, f"W commands do not move by 5 tenths: {speeds}")
    return speeds


def stop_wind(s, main):
    """S, the run-down, and the poll's end once the fan is at zero (the status line then reads
    "Wind speed is Zero", the only state in which the poll stops by itself)."""
    mark = len(s.wire())
    s.key(main, "s")
    s.wire_after(mark, lambda ls: "O" in ls, 10, "O on the wire after S")
    after = s.wire()[mark:]
    stop = after.index("O")
    s.check(after[stop - 1] == "C", f"stop sent {after}")
    wait_quiet(s, 15, "the poll to end after the run-down")
    after = s.wire()[mark + stop:]
    s.check(not s.speeds(after), f"a speed was commanded during the stop: {after}")


def wait_quiet(s, timeout, what, quiet=1.2):
    last = [len(s.wire()), time.monotonic()]

    def settled():
        n = len(s.wire())
        if n != last[0]:
            last[:] = [n, time.monotonic()]
        return time.monotonic() - last[1] >= quiet

    s.wait(settled, timeout, what)


def short_run(s, main, speed=10):
    mark = len(s.wire())
    set_wind(s, main, speed)
    ramp_to(s, mark, speed * 10)
    s.wire_after(mark, lambda ls: ls.count("R") >= 25, 10, "readings")
    stop_wind(s, main)


def curve_colours(s, main, before):
    """Strong colours on the main window that more pixels have than in `before` (an earlier
    shot): the legend's lines are there from the start, as wide as the curves."""
    now = Image(s.shot("curves")).colours(box_of(s, main), step=2)
    return {c for c, n in now.items() if n - before.get(c, 0) >= 8}


def file_dialog(s, main, keys, path):
    """Ctrl+S or Ctrl+O, the whole path typed into the name box, Enter."""
    def shown():
        return set(s.xdo("search", "--onlyvisible", "--pid", str(s.zef.pid), "").split())

    before = shown()
    s.key(main, keys)
    dlg = max(s.wait(lambda: shown() - before, 10, "the file dialog"))
    s.key(dlg, "ctrl+a")
    s.type(dlg, path)
    s.key(dlg, "Return")
    s.wait(lambda: dlg not in shown(), 10, "the file dialog to close")


def check_layout(s, path):
    """The test file's fixed lines at their places; returns the ten comment lines."""
    data = open(path, "rb").read()
    s.expect(data.endswith(b"\r\n"), f"{path} does not end with CR LF")
    lines = data[:-2].split(b"\r\n")
    for i, line in enumerate(lines):
        s.expect(not any(c < 32 or c == 127 for c in line),
                 f"{path} line {i + 1} holds a control character: {line!r}")
    s.check(len(lines) >= 20, f"{path} has only {len(lines)} lines")
    fixed = {0: b"ZEF", 3: b"Comment Text=", 4: b"[", 15: b"]", 16: b"Wind, Lift, Drag=",
             17: b"[", len(lines) - 1: b"]"}
    for i, text in fixed.items():
        s.expect(lines[i] == text, f"{path} line {i + 1} is {lines[i]!r}, not {text!r}")
    s.expect(lines[1] in (b"Units= English", b"Units= Metric"), f"units line {lines[1]!r}")
    s.expect(re.fullmatch(rb"Cd Area = -?\d+\.\d{6} sq\.in\.", lines[2]), f"area {lines[2]!r}")
    for line in lines[18:-1]:
        s.expect(POINT.fullmatch(line), f"{path}: {line!r} is not a point line")
    return [x.decode("latin-1") for x in lines[5:15]]


def csv(s, path):
    return subprocess.run([s.bin("zeftool"), "csv", path], check=True, capture_output=True,
                          text=True, timeout=30).stdout


def configure_units(s, main, metric, answer=None):
    """Test > Configure, a unit button, OK. A test that holds readings is only cleared once the
    operator says so: `answer` is the key for the question then asked ("Return" for Yes, the
    default button, "alt+n" for No)."""
    # Test > Configure has no key of its own; the unit buttons are reached by a click only.
    s.key(main, "alt+t")
    s.key(main, "o")
    dlg = s.window("Test Configuration")
    x, y, w, h = s.geometry(dlg)
    # The button's label, left in the Units group: English above Metric.
    s.click(x + w * 15 // 100, y + h * (54 if metric else 35) // 100)
    s.key(dlg, "Return")
    s.gone("Test Configuration")
    if answer:
        box = s.window(BOX)
        text = s.box_text(box, "Clear Previous Test Results?")
        s.check("Clear Previous Test Results?" in text, f"the change of units asked {text!r}")
        s.key(box, answer)
        s.gone(BOX)
    time.sleep(0.3)
    s.check(not s.windows(BOX), "a box is up after Configure")
    s.focus(main)


def profile_value(s, key):
    m = re.search(rf"^{key}=(.*?)\r?$", open(s.profile).read(), re.M | re.I)
    return m and m.group(1)


# --- the scenarios ----------------------------------------------------------------------------

def startup(s):
    """The stored port is missing: the box, the COM Port dialog, the emulator chosen."""
    missing = os.path.join(s.dir, "no-such-device")
    s.write_profile(f"[System]\r\nCOM Port=2\r\n[Ports]\r\nCOM1={s.link}\r\nCOM2={missing}\r\n")
    s.start_zef()
    s.window(MAIN, 30)
    box = s.window(BOX)
    text = s.box_text(box, "Serial Port not detected!", "COM2", missing)
    s.check("Serial Port not detected!" in text, f"box says {text!r}")
    s.expect("COM2" in text and missing in text, f"box does not name the port: {text!r}")
    s.key(box, "Return")
    dlg = s.window("COM Port")
    s.check(not s.wire(), f"sent before a port opened: {s.wire()}")
    # Focus opens on OK; Cancel and then the port box follow in the Tab order.
    s.key(dlg, "Tab", "Tab", "ctrl+a")
    s.type(dlg, "COM1")
    s.key(dlg, "Return")
    s.gone("COM Port")
    wait_startup_commands(s)
    s.check(profile_value(s, "COM Port") == "1", "COM Port=1 was not stored")
    s.check(not s.windows(BOX), "a box is up")


def run(s):
    main = start_online(s)
    empty = Image(s.shot("empty")).colours(box_of(s, main), step=2)
    mark = len(s.wire())
    set_wind(s, main, 10)
    speeds = ramp_to(s, mark, 100)
    s.check(speeds[:20] == list(range(5, 101, 5)), f"ramp was {speeds[:22]}")
    s.wire_after(mark, lambda ls: ls.count("R") >= 25, 10, "readings")
    s.check(len(curve_colours(s, main, empty)) >= 1, "no live reading drawn on the graph")

    mark = len(s.wire())
    s.key(main, "Prior")
    ramp_to(s, mark, 150)

    # A double-click three eighths across the window asks for the speed under the pointer.
    x0, y0, x1, y1 = box_of(s, main)
    mark = len(s.wire())
    s.click(x0 + (x1 - x0) * 3 // 8, y0 + (y1 - y0) // 2, double=True)
    s.wire_after(mark, lambda ls: any(v != 150 for v in s.speeds(ls)), 10,
                 "a new speed after the double-click")
    s.wire_after(mark, lambda ls: len(set(s.speeds(ls)[-4:])) == 1 and len(s.speeds(ls)) > 4,
                 30, "the speed to settle")
    target = s.speeds(s.wire())[-1]
    s.check(0 < target < 800 and target != 150, f"double-click target W{target}")
    stop_wind(s, main)
    s.check(not s.windows(BOX), "a box is up")


def comments_and_files(s):
    main = start_online(s)
    short_run(s, main)
    s.key(main, "e")
    dlg = s.window("Comments")
    s.key(dlg, "ctrl+a")
    s.type(dlg, "Wing A, 5 degrees")
    s.key(dlg, "Tab")
    s.set_clipboard("flap up\nslot open\r\ntrip wire")
    s.key(dlg, "ctrl+a", "ctrl+v", "Tab", "ctrl+a")
    s.type(dlg, "third line")
    s.key(dlg, "Return")
    s.gone("Comments")

    folder = os.path.join(s.home, "tests")
    os.makedirs(folder)
    saved, cleared, again = (os.path.join(folder, n) for n in ("wing.ZEF", "clear.ZEF",
                                                               "again.ZEF"))
    file_dialog(s, main, "ctrl+s", saved)
    s.wait(lambda: os.path.exists(saved), 5, "the saved file")
    comments = check_layout(s, saved)
    s.expect(comments[0] == "Wing A, 5 degrees" and comments[2] == "third line",
             f"comments saved as {comments[:3]}")
    s.expect(re.fullmatch(r"flap up\s+slot open\s+trip wire", comments[1]),
             f"pasted comment saved as {comments[1]!r}")
    points = csv(s, saved)
    s.check(len(points.splitlines()) > 10, f"too few points saved:\n{points}")

    s.key(main, "c")
    file_dialog(s, main, "ctrl+s", cleared)
    s.wait(lambda: os.path.exists(cleared), 5, "the cleared test's file")
    s.check(check_layout(s, cleared) == [""] * 10, "Clear left comments")
    s.check(len(csv(s, cleared).splitlines()) == 2, "Clear left points")

    file_dialog(s, main, "ctrl+o", saved)
    file_dialog(s, main, "ctrl+s", again)
    s.wait(lambda: os.path.exists(again), 5, "the reopened test's file")
    # Opening a file sets the zero point to zero; everything else comes back byte for byte.
    first = re.compile(rb"^\+0, [^\r]*\r$", re.M)
    expected = first.sub(b"+0, +0.000000, +0.000000\r", open(saved, "rb").read(), count=1)
    s.expect(open(again, "rb").read() == expected, "the reopened test was saved differently")
    s.expect(csv(s, again) == points, "the reopened test has other points")
    s.check(not s.windows(BOX), "a box is up")


def overlay_units_axis(s):
    main = start_online(s)
    empty = Image(s.shot("empty")).colours(box_of(s, main), step=2)
    short_run(s, main, 20)
    bright = curve_colours(s, main, empty)
    s.key(main, "o")
    dark = s.wait(lambda: curve_colours(s, main, empty) - bright, 10, "the overlay's colours")
    # The same tunnel gives the same curves, which the new run's cover where both reach: the
    # overlay shows above 10 mph.
    short_run(s, main, 10)
    both = curve_colours(s, main, empty)
    s.check(dark & both and bright & both, "the new run and the overlay are not both shown")

    configure_units(s, main, metric=True, answer="Return")
    s.check(profile_value(s, "Units") == "0", "Metric was not stored")
    mark = len(s.wire())
    # The change of units discarded the test, so nothing asks to clear it. 10 km/h is 6.2 mph:
    # the command settles on the step below, W60.
    set_wind(s, main, 10)
    ramp_to(s, mark, 60)
    stop_wind(s, main)
    configure_units(s, main, metric=False, answer="Return")
    s.check(profile_value(s, "Units") == "1", "English was not stored")
    s.check(profile_value(s, "Max Speed") == "80", "Max Speed was not stored as 80")

    before = curve_colours(s, main, empty)
    s.key(main, "a")
    dlg = s.window("Axis")
    # Wind, Lift, Drag, Force, then Cd's and L/D's check boxes each before their scale.
    s.key(dlg, "Tab", "Tab", "Tab", "Tab", "space", "Tab", "Tab", "space", "Return")
    s.gone("Axis")
    s.wait(lambda: curve_colours(s, main, empty) - before, 10, "Cd and L/D drawn")
    s.check(not s.windows(BOX), "a box is up")


def units(s):
    """A change of units asks before it clears a recorded test: No keeps the test in English,
    Yes clears it and switches to Metric, and Undo brings the test and the stored units back."""
    main = start_online(s)
    short_run(s, main)
    folder = os.path.join(s.home, "tests")
    os.makedirs(folder)

    def saved(name):
        """The test as a file: its units line and its points."""
        path = os.path.join(folder, name)
        file_dialog(s, main, "ctrl+s", path)
        s.wait(lambda: os.path.exists(path), 5, f"the saved {name}")
        check_layout(s, path)
        return open(path, "rb").read().split(b"\r\n")[1], csv(s, path)

    units, recorded = saved("run.ZEF")
    s.check(units == b"Units= English" and len(recorded.splitlines()) > 10,
            f"the run was saved as {units!r} with {len(recorded.splitlines())} lines")

    # The area box turns 1.000 sq. in. into 6.452 sq. cm., which No still takes (1.00006 sq. in.):
    # every Cd moves a little, wind, lift and drag not at all.
    forces = lambda points: [line.split(",")[:3] for line in points.splitlines()]
    configure_units(s, main, metric=True, answer="alt+n")
    s.check(profile_value(s, "Units") == "1", "No to the question stored Metric")
    units, kept = saved("kept.ZEF")
    s.expect(units == b"Units= English" and forces(kept) == forces(recorded),
             f"No to the question did not keep the test in English: {units!r}")

    configure_units(s, main, metric=True, answer="Return")
    s.check(profile_value(s, "Units") == "0", "Yes to the question did not store Metric")
    units, points = saved("cleared.ZEF")
    s.expect(units == b"Units= Metric" and len(points.splitlines()) <= 2,
             f"Yes to the question left {units!r} with {points!r}")

    s.key(main, "ctrl+z")
    s.wait(lambda: profile_value(s, "Units") == "1", 5, "Undo to store English again")
    s.expect(saved("undone.ZEF") == (b"Units= English", kept),
             "Undo did not bring the English test back")
    s.check(not s.windows(BOX), "a box is up")


def faults(s):
    main = start_online(s)
    mark = len(s.wire())
    set_wind(s, main, 10)
    ramp_to(s, mark, 100)

    def fault_box(command, texts):
        s.tell_sim(command)
        box = s.window(BOX, 15)
        text = s.box_text(box, *texts)
        for t in texts:
            s.check(t in text, f"after {command} the box says {text!r}, not {t!r}")
        return box

    def retry(box, heal):
        s.tell_sim(heal)
        time.sleep(0.3)
        mark = len(s.wire())
        s.key(box, "Return")  # Retry, the default button
        s.wire_after(mark, lambda ls: ls.count("R") >= 3, 10, f"the run to resume after {heal}")
        s.check(not s.windows(BOX), f"a box is still up after {heal} and Retry")

    retry(fault_box("unplug", ["Cable is disconnected!"]), "plug")
    box = fault_box("lock", ["Control Panel is Locked!"])
    mark = len(s.wire())
    s.key(box, "Return")  # Retry while still locked: asked again, and the box again
    s.wire_after(mark, lambda ls: "S" in ls, 5, "S again after Retry on a locked panel")
    s.wait(lambda: s.windows(BOX) and s.windows(BOX) != [box], 10, "the box again")
    retry(s.window(BOX), "unlock")

    box = fault_box("mute", ["Serial Communications Error!", "COM1"])
    s.key(box, "Escape")
    s.gone(BOX)
    mark = len(s.wire())
    time.sleep(1.5)
    s.check(s.wire()[mark:] == [], f"sent after Cancel: {s.wire()[mark:]}")
    s.tell_sim("unmute")
    time.sleep(1)
    s.check(s.wire()[mark:] == [], f"sent after Cancel: {s.wire()[mark:]}")
    s.check(not s.windows(BOX), "a box is up")


def print_pdf(s):
    main = start_online(s)
    s.key(main, "e")
    dlg = s.window("Comments")
    for i in range(5):  # five full lines, as an operator writing in capitals fills them
        s.type(dlg, f"RUN {i + 1}: NACA 0012 WING, 5 DEG, TRIP AT 5% CHORD"[:50])
        s.key(dlg, "Tab")
    s.key(dlg, "Return")
    s.gone("Comments")
    short_run(s, main, 20)
    for orientation in ("landscape", "portrait"):
        if orientation == "portrait":
            s.key(main, "alt+f")
            s.key(main, "r")
            dlg = s.window("Page Setup")
            # The units box, then the Portrait button (the page size box takes no Tab).
            s.key(dlg, "Tab", "Tab", "space", "Return")
            s.gone("Page Setup")
        pdf = os.path.join(s.home, f"{orientation}.pdf")
        s.key(main, "ctrl+p")
        dlg = s.window("Print")
        s.key(dlg, "alt+f", "ctrl+a")  # "Output file"
        s.type(dlg, pdf)
        s.key(dlg, "Return")
        s.gone("Print")
        s.wait(lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 1000, 20, pdf)
        time.sleep(0.5)
        check_page(s, pdf, orientation)
    s.key(main, "alt+f")
    s.key(main, "v")
    dlg = s.window("Print Preview")
    s.wait(lambda: Image(s.shot("preview")).colours(box_of(s, dlg), step=2), 10,
           "the graph in Print Preview")
    s.key(dlg, "Escape")
    s.gone("Print Preview")
    s.check(not s.windows(BOX), "a box is up")


def check_page(s, pdf, orientation):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
    s.check(re.search(r"^Pages:\s+1$", info, re.M), f"{pdf} is not one page:\n{info}")
    w, h = map(float, re.search(r"Page size:\s+([\d.]+) x ([\d.]+)", info).groups())
    s.expect((w > h) == (orientation == "landscape"), f"{orientation} print is {w} x {h} pt")
    png = os.path.join(s.dir, "shots", f"{orientation}-page")
    subprocess.run(["pdftoppm", "-r", "144", "-png", "-singlefile", pdf, png], check=True)
    page = Image(png + ".png")
    # The printer's unprintable edge, 10 pt on every side here: nothing may be drawn there.
    edge = 19
    for y in range(page.height):
        inside = edge <= y < page.height - edge
        for x in (range(page.width) if not inside else
                  list(range(edge)) + list(range(page.width - edge, page.width))):
            if min(page.pixel(x, y)) < 200:
                s.expect(False, f"{orientation} page has ink at ({x / 2}, {y / 2}) pt, outside "
                                f"the printable area: see {png}.png")
                return


def keep(s):
    """Recovery after a killed console, Undo of Clear, Export to CSV and PNG, and the data
    table's copy, as an operator meets them."""
    main = start_online(s)
    copy = os.path.join(s.dir, "state", "zef", "unsaved.ZEF")
    s.check(not os.path.exists(copy), "a recovery copy before any reading")
    mark = len(s.wire())
    set_wind(s, main, 10)
    ramp_to(s, mark, 100)
    s.wire_after(mark, lambda ls: ls.count("R") >= 25, 10, "readings")
    s.wait(lambda: os.path.exists(copy) and len(csv(s, copy).splitlines()) > 3, 5,
           "the recovery copy with points")
    time.sleep(2.5)  # the copy follows the newest reading within 2 s
    s.zef.kill()
    s.zef.wait()
    found = csv(s, copy)
    s.check(len(found.splitlines()) > 3, f"the copy left by the killed console:\n{found}")

    mark = len(s.wire())
    s.start_zef()
    main = s.window(MAIN, 30)
    s.wire_after(mark, lambda ls: len(ls) >= 2, 20, "the start-up commands after the restart")
    box = s.window(BOX, 15)
    text = s.box_text(box, "An unsaved test was found.", "Restore it?")
    s.check("An unsaved test was found." in text and "Restore it?" in text,
            f"the recovery box says {text!r}")
    s.key(box, "Return")  # Yes, the default button
    s.gone(BOX)

    folder = os.path.join(s.home, "tests")
    os.makedirs(folder)
    path = lambda name: os.path.join(folder, name)

    def save(name):
        file_dialog(s, main, "ctrl+s", path(name))
        s.wait(lambda: os.path.exists(path(name)), 5, f"the saved {name}")
        check_layout(s, path(name))
        return csv(s, path(name))

    s.expect(save("restored.ZEF") == found, "the restored test holds other points than the copy")
    s.wait(lambda: not os.path.exists(copy), 5, "the copy to go once the test is saved")

    s.key(main, "c")
    s.check(len(save("cleared.ZEF").splitlines()) <= 2, "Clear left points")
    s.key(main, "ctrl+z")
    s.expect(save("undone.ZEF") == found, "Undo of Clear did not bring the points back")

    def export(name):
        s.key(main, "ctrl+e")
        dlg = s.window("Export")
        s.key(dlg, "ctrl+a")
        s.type(dlg, path(name))
        s.key(dlg, "Return")
        s.gone("Export")
        s.wait(lambda: os.path.exists(path(name)) and os.path.getsize(path(name)), 10,
               f"the exported {name}")
        time.sleep(0.3)
        s.check(not s.windows(BOX), f"a box is up after the export to {name}")
        return open(path(name), "rb").read()

    s.expect(export("points.csv").decode(errors="replace") == found,
             "the exported CSV differs from zeftool csv of the saved test")
    s.expect(export("graph.png").startswith(b"\x89PNG\r\n\x1a\n"), "graph.png is not a PNG")

    s.set_clipboard("")
    s.key(main, "ctrl+t")
    # The table docks at the window's right; a click into it gives it the focus.
    x, y, w, h = s.geometry(main)
    s.click(x + w - 40 * int(s.scale), y + h // 2)
    s.key(main, "ctrl+a", "ctrl+c")
    table = s.wait(lambda: s.clipboard(), 5, "the table's rows on the clipboard").splitlines()
    header = table[0].split("\t")
    s.check(len(header) >= 3 and header[0].lower().startswith("wind"),
            f"the copied header row is {table[0]!r}")
    winds = [line.split(",")[0] for line in found.splitlines()[1:]]
    s.expect([line.split("\t")[0] for line in table[1:]] == winds,
             f"copied rows {table[1:4]}... do not match the {len(winds)} recorded points")
    s.expect(all(len(line.split("\t")) == len(header) for line in table[1:]),
             "a copied row has another number of cells than the header")
    s.check(not s.windows(BOX), "a box is up")


def read_probe(path, spans):
    """The event-loop probe's seconds that lie within one of the spans (time.monotonic() pairs):
    each as (n, p99, max)."""
    rows = []
    with open(path) as f:
        for line in f:
            fields = dict(kv.split("=") for kv in line.split())
            t = float(fields["t"])
            if any(t - 1.0 >= start and t <= end for start, end in spans):
                rows.append((int(fields["n"]), float(fields["p99"]), float(fields["max"])))
    return rows


def waiting(s):
    """A silent and a dribbling controller while a run goes on: the window is resized and
    repainted and takes a key while the reply is awaited; the key (Stop Wind) acts only once the
    wait has ended in its box and Retry. The console's thread stays in its event loop throughout
    (the probe, within a margin no noisy machine reaches but a wait on the line always does)."""
    probe = os.path.join(s.dir, "probe.log")
    os.environ["ZEF_LOOP_PROBE"] = probe
    main = start_online(s)
    spans = []  # the paced runs and the waits, not the dialogs and boxes between them
    _, _, w, h = s.geometry(main)
    for fault, heal, size in (("mute", "unmute", (w, h - 150)), ("drip", "undrip", (w, h))):
        mark = len(s.wire())
        s.key(main, "w")
        if fault == "drip":  # the first run is still on the graph: Yes, clear it
            s.key(s.window(BOX), "Return")
        dlg = s.window("Wind Speed")
        s.key(dlg, "ctrl+a")
        s.type(dlg, "10")
        s.key(dlg, "Return")
        s.gone("Wind Speed")
        # The window settles from the dialog first (long at scale 2 under the sanitizers).
        run_start = time.monotonic() + 3
        ramp_to(s, mark, 100)
        time.sleep(max(0.0, run_start + 3 - time.monotonic()))
        # A screenshot grabs the X server, which holds up every client: the probe's spans end
        # before each one.
        spans.append((run_start, time.monotonic()))
        bx, by, bw, bh = s.geometry(main)
        bottom = Image(s.shot(f"{fault}-before")).pixel(bx + 4, by + bh - 3)  # the status bar
        s.tell_sim(fault)
        fault_start = time.monotonic()
        mark = len(s.wire())
        # The probe's span is the wait itself; the resize's own repaint, slow at scale 2 under
        # the sanitizers, is judged by the picture.
        time.sleep(2)
        spans.append((fault_start, time.monotonic()))
        s.key(main, "s")  # within the 4 s the reply is awaited
        s.xdo("windowsize", "--sync", main, str(size[0]), str(size[1]))
        time.sleep(0.5)
        shot = Image(s.shot(f"{fault}-waiting"))
        nx, ny, nw, nh = s.geometry(main)
        # At scale 2 the window may be held at its least width; the height always follows.
        s.check(nh == size[1], f"the window is {nw}x{nh}, not {size}")
        s.check(shot.pixel(nx + 4, ny + nh - 3) == bottom,
                f"the resized window was not repainted while the {fault} controller was awaited")
        box = s.window(BOX, 20)
        text = s.box_text(box, "Serial Communications Error!")
        s.check("Serial Communications Error!" in text, f"after {fault} the box says {text!r}")
        s.check("O" not in s.wire()[mark:], f"the stop went out during the wait: {s.wire()[mark:]}")
        s.tell_sim(heal)
        time.sleep(0.3)
        s.key(box, "Return")  # Retry
        s.wire_after(mark, lambda ls: "O" in ls, 10, f"the stop pressed during the {fault} wait")
        wait_quiet(s, 15, "the poll to end after the run-down")
    rows = read_probe(probe, spans)
    s.check(len(rows) >= 4, f"the probe wrote {len(rows)} seconds")
    worst = max(r[2] for r in rows)
    print("probe spans:", [(round(a, 1), round(b, 1)) for a, b in spans], "rows:", rows)
    s.check(worst < 500, f"the window's thread was away from its loop for {worst:.0f} ms")
    print(f"probe: {len(rows)} s, p99 at most {max(r[1] for r in rows):.1f} ms, "
          f"max {worst:.1f} ms")
    s.check(not s.windows(BOX), "a box is up")


def intact(s):
    """Nothing lost on a failed save, nothing silently wrong on open: as an ordinary user, Save
    As over a file in a folder that takes no new file, on a full disk, is refused and leaves the
    file, the test and its unsaved copy as they were; a file cut short opens with a box that
    says so and how many points it holds."""
    s.write_profile(f"[System]\r\nCOM Port=1\r\n[Ports]\r\nCOM1={s.link}\r\n")
    s.start_zef(operator=True)
    main = s.window(MAIN, 30)
    wait_startup_commands(s)
    short_run(s, main)
    copy = os.path.join(s.dir, "state", "zef", "unsaved.ZEF")
    s.wait(lambda: os.path.exists(copy), 5, "the unsaved copy")
    recorded = csv(s, copy)

    # A small file system, full, whose folder belongs to root: the operator may change old.ZEF
    # but make no file beside it.
    disk = os.path.join(s.dir, "disk")
    os.makedirs(disk)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k,mode=0755", "tmpfs", disk],
                   check=True, capture_output=True)
    try:
        old = os.path.join(disk, "old.ZEF")
        with open(old, "wb") as f:
            f.write(open(copy, "rb").read().split(b"+0, ")[0] + b"+0, +0.000000, +0.000000\r\n]\r\n")
        os.chmod(old, 0o666)
        before = open(old, "rb").read()
        try:
            with open(os.path.join(disk, "filler"), "wb") as f:
                while True:
                    f.write(b"\0" * 4096)
                    f.flush()
        except OSError:
            pass

        def shown():
            return set(s.xdo("search", "--onlyvisible", "--pid", str(s.zef.pid), "").split())

        windows = shown()
        s.key(main, "ctrl+s")
        dlg = max(s.wait(lambda: shown() - windows, 10, "the Save As dialog"))
        s.key(dlg, "ctrl+a")
        s.type(dlg, old)
        s.key(dlg, "Return")
        ask = max(s.wait(lambda: shown() - windows - {dlg}, 10, "the question to replace"))
        s.key(ask, "alt+y")
        box = s.window(BOX, 15)
        text = s.box_text(box, "takes no new file", disk, "The test was not saved.")
        s.check("Cannot save the test to" in text and "takes no new file" in text and
                disk in text, f"the refused save's box says {text!r}")
        s.expect("The test was not saved." in text, f"the box says {text!r}")
        s.key(box, "Return")
        s.gone(BOX)
        s.check(open(old, "rb").read() == before, "the file already there was changed")
        s.check(sorted(os.listdir(disk)) == ["filler", "old.ZEF"],
                f"the disk holds {sorted(os.listdir(disk))}")
    finally:
        subprocess.run(["umount", disk], capture_output=True)
    s.check(os.path.exists(copy) and csv(s, copy) == recorded,
            "the unsaved copy did not keep the test")

    # The test is still in the console: saved where the operator may write, it is the same.
    saved = os.path.join(s.home, "wing.ZEF")
    file_dialog(s, main, "ctrl+s", saved)
    s.wait(lambda: os.path.exists(saved), 5, "the saved test")
    s.check(csv(s, saved) == recorded, "the console's test differs from the one recorded")

    # Cut inside its last point line but one: the points of complete lines only.
    data = open(saved, "rb").read()
    lines = data.split(b"\r\n")
    cut = os.path.join(s.home, "cut.ZEF")
    with open(cut, "wb") as f:
        f.write(b"\r\n".join(lines[:-3]) + b"\r\n" + lines[-3][:-4])
    points = len(lines) - 3 - 18
    s.check(points > 3, f"too few points to cut: {points}")
    file_dialog(s, main, "ctrl+o", cut)
    box = s.window(BOX, 15)
    text = s.box_text(box, "incomplete", f"{points} points")
    s.check("incomplete" in text and f"{points} points" in text,
            f"the cut file's box says {text!r}, not incomplete with {points} points")
    s.key(box, "Return")
    s.gone(BOX)
    shortfall = subprocess.run([s.bin("zeftool"), "csv", cut], capture_output=True, text=True,
                               timeout=30)
    s.expect(shortfall.returncode == 3 and "incomplete" in shortfall.stderr,
             f"zeftool csv of the cut file: status {shortfall.returncode}, {shortfall.stderr!r}")
    s.expect(len(shortfall.stdout.splitlines()) == points + 1,
             f"zeftool csv wrote {len(shortfall.stdout.splitlines())} lines for {points} points")
    again = os.path.join(s.home, "again.ZEF")
    file_dialog(s, main, "ctrl+s", again)
    s.wait(lambda: os.path.exists(again), 5, "the opened test saved again")
    s.expect(csv(s, again).splitlines() == recorded.splitlines()[:points + 1],
             "the cut file's points differ from the first ones recorded")


def lab_sheet(s):
    """A run saved, then File > Lab Sheet written as a PDF: the file named, every point listed;
    the saved file opened again gives the text zeftool sheet gives for it."""
    main = start_online(s)
    s.key(main, "e")
    dlg = s.window("Comments")
    s.type(dlg, "Sphere, 50 mm")
    s.key(dlg, "Return")
    s.gone("Comments")
    short_run(s, main, 20)
    saved = os.path.join(s.home, "sphere.ZEF")
    file_dialog(s, main, "ctrl+s", saved)
    s.wait(lambda: os.path.exists(saved), 5, "the saved file")

    pdf = os.path.join(s.home, "sheet.pdf")
    write_lab_sheet(s, main, pdf)
    text = pdf_text(s, pdf)
    pages = [p for p in text.split("\f") if p.strip()]
    for line in ("Zefron Lab Sheet", "File: sphere.ZEF", "Sphere, 50 mm", "Summary",
                 f"Page 1 of {len(pages)}", f"Page {len(pages)} of {len(pages)}"):
        s.expect(line in text, f"the lab sheet lacks {line!r}: see {pdf}")
    rows = csv(s, saved).splitlines()[1:]
    s.expect(f"Points: {len(rows)}" in text, f"the lab sheet does not count {len(rows)} points")
    listed = [line.split()[0] for p in pages[1:] for line in p.splitlines()
              if re.fullmatch(r"\s*-?\d+\.\d( +-?\d+\.\d+){4}\s*", line)]
    s.expect(listed == [r.split(",")[0] for r in rows],
             f"the lab sheet lists the winds {listed}, the file holds {len(rows)} points")
    # The run's own readings are finer than the file keeps: opened again, the test is the
    # file's, and its sheet is the one zeftool makes of the file.
    file_dialog(s, main, "ctrl+o", saved)
    reopened, tool = (os.path.join(s.home, n) for n in ("reopened.pdf", "zeftool-sheet.pdf"))
    write_lab_sheet(s, main, reopened)
    subprocess.run([s.bin("zeftool"), "sheet", saved, "-o", tool], check=True, timeout=60)
    s.expect(pdf_text(s, tool) == pdf_text(s, reopened),
             f"zeftool sheet gives another text than the console: {tool}, {reopened}")
    s.check(not s.windows(BOX), "a box is up")


def write_lab_sheet(s, main, pdf):
    s.key(main, "alt+f")
    s.key(main, "l")
    dlg = s.window("Lab Sheet")
    s.key(dlg, "alt+f", "ctrl+a")  # "Output file", offered beside the test's file
    s.type(dlg, pdf)
    s.key(dlg, "Return")
    s.gone("Lab Sheet")
    s.wait(lambda: os.path.exists(pdf) and os.path.getsize(pdf) > 1000, 20, pdf)
    time.sleep(0.5)


def pdf_text(s, pdf):
    return subprocess.run(["pdftotext", "-layout", pdf, "-"], check=True, capture_output=True,
                          text=True, timeout=30).stdout


def compare(s):
    """View > Compare Tests: three tests (one saved in Metric) chosen at once in the file dialog,
    then the comparison exported as CSV and as PNG."""
    main = start_online(s)
    folder = os.path.join(s.home, "lab")
    os.makedirs(folder)
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "zef")
    for name in ("english-wing.ZEF", "metric-high-speed.ZEF"):
        with open(os.path.join(data, name), "rb") as src, \
                open(os.path.join(folder, name), "wb") as dst:
            dst.write(src.read())
    plate = (b"ZEF\r\nUnits= English\r\nCd Area = 4.000000 sq.in.\r\nComment Text=\r\n[\r\n"
             b"flat plate\r\n" + b"\r\n" * 9 + b"]\r\nWind, Lift, Drag=\r\n[\r\n"
             b"+0, +0.000000, +0.000000\r\n+20, +0.010000, +0.150000\r\n"
             b"+40, +0.020000, +0.600000\r\n]\r\n")
    with open(os.path.join(folder, "plate.ZEF"), "wb") as f:
        f.write(plate)

    s.key(main, "alt+v")
    s.key(main, "c")
    wnd = s.window("Compare Tests")
    s.key(wnd, "alt+a")
    dlg = s.window("Add Tests")
    s.key(dlg, "ctrl+a")
    s.type(dlg, folder)
    s.key(dlg, "Return")  # into the folder
    time.sleep(0.5)
    s.key(dlg, "ctrl+a")
    s.type(dlg, '"english-wing.ZEF" "metric-high-speed.ZEF" "plate.ZEF"')
    s.key(dlg, "Return")
    s.gone("Add Tests")

    def export(name):
        path = os.path.join(folder, name)
        s.key(wnd, "alt+e")
        dlg = s.window("Export Comparison")
        s.key(dlg, "ctrl+a")
        s.type(dlg, path)
        s.key(dlg, "Return")
        s.gone("Export Comparison")
        s.wait(lambda: os.path.exists(path) and os.path.getsize(path), 10, f"the exported {name}")
        time.sleep(0.3)
        s.check(not s.windows(BOX), f"a box is up after the export to {name}")
        return open(path, "rb").read()

    rows = export("compare.csv").decode().splitlines()
    s.check(rows[0] == "file,wind (mph),lift (lbs),drag (lbs),cd,ld", f"CSV header {rows[0]!r}")
    files = [r.split(",")[0] for r in rows[1:]]
    s.expect(files == ["english-wing.ZEF"] * 7 + ["metric-high-speed.ZEF"] * 6 + ["plate.ZEF"] * 3,
             f"the CSV's rows come from {files}")
    # The Metric test in mph and lbs: 64.4 km/h is 40.0164 mph, 0.15 kg is 0.330694 lbs.
    metric = [r.split(",") for r in rows[1:] if r.startswith("metric")]
    s.expect(abs(float(metric[2][1]) - 40.01640) < 1e-4 and
             abs(float(metric[2][2]) - 0.330694) < 1e-5, f"the Metric row {metric[2]}")
    png = export("compare.png")
    s.check(png.startswith(b"\x89PNG\r\n\x1a\n"), "compare.png is not a PNG")
    colours = Image(os.path.join(folder, "compare.png")).colours()

    def near(c):  # smoothed edges and dots take shades of a curve's colour
        return sum(n for k, n in colours.items() if max(abs(a - b) for a, b in zip(k, c)) <= 40)

    palette = [(0, 114, 178), (213, 94, 0), (0, 158, 115)]
    found = [near(c) for c in palette]
    s.expect(all(n >= 40 for n in found), f"the three curves' colours in compare.png: {found}")


def live(s):
    """A run over the same run kept as overlay: the window drawn live equals the same window
    drawn whole after a resize and back, the columns about the wind-speed marker aside (the
    readings still arrive there, and a whole draw shows the marker only once the wind moves)."""
    main = start_online(s)
    empty = Image(s.shot("empty")).colours(box_of(s, main), step=2)
    short_run(s, main, 20)
    bright = curve_colours(s, main, empty)
    s.key(main, "o")
    s.wait(lambda: curve_colours(s, main, empty) - bright, 10, "the overlay's colours")
    mark = len(s.wire())
    set_wind(s, main, 20)
    ramp_to(s, mark, 200)
    s.wire_after(mark, lambda ls: ls.count("R") >= 50, 15, "readings at 20 mph")

    x0, y0, x1, y1 = box_of(s, main)
    w, h = x1 - x0, y1 - y0
    live_shot = Image(s.shot("live"))
    # The plot and its scales, below the menu and tool bars and above the status bar, on the
    # screen (at scale 2 the window reaches past its right edge).
    area = (max(x0 + w // 50, 0), max(y0 + h * 15 // 100, 0),
            min(x1 - w // 50, live_shot.width), min(y1 - h * 6 // 100, live_shot.height))
    s.xdo("windowsize", "--sync", main, str(w - 60), str(h - 40))
    time.sleep(0.5)
    s.xdo("windowsize", "--sync", main, str(w), str(h))
    time.sleep(1.5)
    whole = Image(s.shot("redrawn"))

    # The marker, drawn over the plot's grey, has the overlay lift's dark red: the column with
    # the most of it from top to bottom.
    counts = {x: sum(live_shot.pixel(x, y) == (128, 0, 0) for y in range(area[1], area[3], 2))
              for x in range(area[0], area[2])}
    marker = max(counts, key=counts.get)
    s.check(counts[marker] > (area[3] - area[1]) // 4, "no wind-speed marker on the live plot")
    aside = range(marker - w // 25, marker + w // 25)
    differ = [(x, y) for y in range(area[1], area[3]) for x in range(area[0], area[2])
              if x not in aside and live_shot.pixel(x, y) != whole.pixel(x, y)]
    s.check(not differ, f"{len(differ)} pixels of the live plot differ from it drawn whole, "
                        f"first at {differ[:3]}")
    stop_wind(s, main)
    s.check(not s.windows(BOX), "a box is up")


def open_com_port(s, main):
    """System > COM Port from the keyboard; the dialog opens with the focus on OK."""
    s.key(main, "alt+s")
    s.key(main, "c")
    return s.window("COM Port")


def watch(s):
    """A run is never left unwatched: Cancel in COM Port keeps it polled, a reconnect after the
    cable's box was cancelled resumes the poll, and Exit asks before leaving the wind running.
    Then a device typed by its path in COM Port opens and is kept under [Ports]."""
    main = start_online(s)
    mark = len(s.wire())
    set_wind(s, main, 10)
    ramp_to(s, mark, 100)

    open_com_port(s, main)
    s.key(s.window("COM Port"), "Escape")
    s.gone("COM Port")
    mark = len(s.wire())
    s.wire_after(mark, lambda ls: s.speeds(ls)[-3:] == [100] * 3 and ls.count("R") >= 3, 10,
                 "the run polled on after Cancel in COM Port")

    s.tell_sim("unplug")
    box = s.window(BOX, 15)
    text = s.box_text(box, "Cable is disconnected!")
    s.check("Cable is disconnected!" in text, f"after unplug the box says {text!r}")
    s.key(box, "Escape")
    s.gone(BOX)
    s.tell_sim("plug")
    time.sleep(0.5)
    mark = len(s.wire())
    time.sleep(1.0)
    s.check(s.wire()[mark:] == [], f"sent while off-line: {s.wire()[mark:]}")
    dlg = open_com_port(s, main)
    s.key(dlg, "Return")
    s.gone("COM Port")
    s.wire_after(mark, lambda ls: s.speeds(ls)[-3:] == [100] * 3 and ls.count("R") >= 3, 10,
                 "the poll to resume once the port was chosen again")

    def exit_box():
        s.key(main, "alt+f")
        s.key(main, "x")
        box = s.window(BOX)
        text = s.box_text(box, "The wind is still running.", "Stop the wind before closing?")
        s.check("The wind is still running." in text and "Stop the wind before closing?" in text,
                f"Exit during a run asks {text!r}")
        return box

    s.key(exit_box(), "Escape")  # Cancel: the console stays and goes on polling
    s.gone(BOX)
    mark = len(s.wire())
    s.wire_after(mark, lambda ls: ls.count("R") >= 3, 10, "the run polled on after Cancel")
    s.check(s.windows(MAIN), "the console closed on Cancel")
    mark = len(s.wire())
    s.key(exit_box(), "Return")  # Yes, the default button: the stop goes out, then it closes
    try:
        s.zef.wait(15)  # s.wait would take the console's end for a crash
    except subprocess.TimeoutExpired:
        raise Failure("the console did not close after Yes")
    s.check(s.zef.returncode == 0, f"the console ended with status {s.zef.returncode}")
    s.check("O" in s.wire()[mark:], f"no stop sent before closing: {s.wire()[mark:]}")
    s.zef = None

    # The emulator's link typed into the box: mapped to the lowest free port once it opens. (The
    # run's unsaved copy goes first, so that no offer to restore it comes between.)
    copy = os.path.join(s.dir, "state", "zef", "unsaved.ZEF")
    if os.path.exists(copy):
        os.remove(copy)
    s.write_profile("[System]\r\nCOM Port=0\r\n")
    mark = len(s.wire())
    s.start_zef()
    main = s.window(MAIN, 30)
    dlg = s.window("COM Port")
    s.key(dlg, "Tab", "Tab", "ctrl+a")
    s.type(dlg, s.link)
    s.key(dlg, "Return")
    s.gone("COM Port")
    s.wire_after(mark, lambda ls: ls[:2] == ["<03>", "C"], 20, "the start-up commands")
    ports = re.findall(r"^COM(\d+)=(.*?)\r?$", open(s.profile).read(), re.M)
    s.check([p for p in ports if p[1] == s.link], f"the link is not kept under [Ports]: {ports}")
    number = [p[0] for p in ports if p[1] == s.link][0]
    s.check(profile_value(s, "COM Port") == number, f"COM Port is not {number}")
    mark = len(s.wire())
    short_run(s, main)
    s.check(not s.windows(BOX), "a box is up")


SCENARIOS = {"startup": startup, "run": run, "files": comments_and_files,
             "overlay": overlay_units_axis, "faults": faults, "print": print_pdf, "keep": keep,
             "waiting": waiting, "intact": intact, "sheet": lab_sheet, "compare": compare,
             "live": live,
             "units": units,
             "watch": watch}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--prefix", required=True)
    ap.add_argument("--workdir", required=True)
    ap.add_argument("--scale", default="1")
    ap.add_argument("scenario", choices=SCENARIOS)
    args = ap.parse_args()
    s = Session(args.scenario, args.prefix, args.workdir, args.scale)
    started = time.monotonic()

    def out_of_time(*_):
        raise Failure(f"the scenario took more than {LIMIT} s")

    # Within CTest's own limit, so that the X server, emulator and console are always ended.
    signal.signal(signal.SIGALRM, out_of_time)
    signal.alarm(LIMIT)
    try:
        s.start_x()
        s.start_sim()
        SCENARIOS[args.scenario](s)
        s.alive()
        s.check(not s.faults, "; ".join(s.faults))
    except (Failure, subprocess.SubprocessError, OSError) as e:
        try:
            s.alive()  # a crash explains what followed it
        except Failure as crash:
            e = crash
        try:
            if s.display:
                s.shot("failed")
        except (subprocess.SubprocessError, OSError):
            pass
        print(f"FAILED {args.scenario} at scale {args.scale}: {e}")
        print(f"screenshots: {os.path.join(s.dir, 'shots')}")
        for name in sorted(os.listdir(os.path.join(s.dir, "shots"))):
            print("  " + os.path.join(s.dir, "shots", name))
        print("wire log:", s.log)
        return 1
    finally:
        s.stop()
    print(f"passed {args.scenario} at scale {args.scale} in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
