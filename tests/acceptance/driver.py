"""Drives the installed console from outside, as an operator does: its own X server, the tunnel
emulator on a pseudo-terminal, keys and clicks through xdotool, the clipboard through xclip.
Results come from the emulator's command log, the files the console writes and screenshots."""

import os
import re
import select
import shutil
import signal
import subprocess
import time


NOBODY = 65534  # the ordinary user the console runs as where permissions matter


class Failure(Exception):
    pass


class Image:
    """A screenshot's pixels, read through ImageMagick as raw RGB."""

    def __init__(self, path):
        out = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                             capture_output=True).stdout
        head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", out)
        self.width, self.height = int(head.group(1)), int(head.group(2))
        self.data = out[head.end():]

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def colours(self, box=None, step=1):
        """Counts of each strongly coloured pixel value (grey, black and white left out)."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        # A window may reach past the screen's edge.
        x0, y0, x1, y1 = max(x0, 0), max(y0, 0), min(x1, self.width), min(y1, self.height)
        counts = {}
        for y in range(y0, y1, step):
            row = 3 * y * self.width
            for x in range(x0, x1, step):
                r, g, b = self.data[row + 3 * x:row + 3 * x + 3]
                if max(r, g, b) - min(r, g, b) > 60:
                    counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
        return counts


class Session:
    """One console on one emulator on one private X server, with private settings folders."""

    def __init__(self, name, prefix, workdir, scale):
        self.name = name
        self.prefix = prefix
        self.scale = scale
        self.dir = os.path.join(workdir, f"{name}-x{scale}")
        shutil.rmtree(self.dir, ignore_errors=True)
        self.home = os.path.join(self.dir, "home")
        for sub in ("home", "config", "state", "data", "runtime", "shots"):
            os.makedirs(os.path.join(self.dir, sub), mode=0o700)
        self.profile = os.path.join(self.dir, "config", "zef.ini")
        self.log = os.path.join(self.dir, "wire.log")
        self.link = os.path.join(self.dir, "zefron")
        self.shots = 0
        self.faults = []
        self.xvfb = self.sim = self.zef = None
        self.sim_in = None
        self.display = None

    # --- processes -------------------------------------------------------------------------

    def start_x(self):
        # 1280x1024 keeps the main window and its dialogs whole at both scales.
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             "-noreset"], pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        number = b""
        deadline = time.monotonic() + 10
        while not number.endswith(b"\n"):
            if not select.select([r], [], [], max(0, deadline - time.monotonic()))[0]:
                raise Failure("Xvfb gave no display number")
            chunk = os.read(r, 16)
            if not chunk:
                raise Failure("Xvfb ended at start")
            number += chunk
        os.close(r)
        self.display = ":" + number.decode().strip()

    def start_sim(self):
        fifo = os.path.join(self.dir, "zefsim.in")
        os.mkfifo(fifo)
        # Held open read-write here, so the emulator never sees the end of its input.
        self.sim_in = os.open(fifo, os.O_RDWR)
        with open(os.path.join(self.dir, "zefsim.out"), "w") as out:
            self.sim = subprocess.Popen(
                [self.bin("zefsim"), "--link", self.link, "--log", self.log, "--seed", "7",
                 "--tau", "0.5"],
                stdin=self.sim_in, stdout=out, stderr=subprocess.STDOUT)
        self.wait(lambda: os.path.exists(self.link), 5, "the emulator's link")
        open(self.log, "a").close()

    def tell_sim(self, command):
        os.write(self.sim_in, (command + "\n").encode())

    def write_profile(self, text):
        with open(self.profile, "w") as f:
            f.write(text)

    def env(self):
        env = dict(os.environ)
        for key in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCREEN_SCALE_FACTORS",
                    "QT_AUTO_SCREEN_SCALE_FACTOR", "SESSION_MANAGER"):
            env.pop(key, None)
        env.update(DISPLAY=self.display, QT_QPA_PLATFORM="xcb", HOME=self.home,
                   ZEF_PROFILE=self.profile,
                   XDG_CONFIG_HOME=os.path.join(self.dir, "config"),
                   XDG_STATE_HOME=os.path.join(self.dir, "state"),
                   XDG_DATA_HOME=os.path.join(self.dir, "data"),
                   XDG_RUNTIME_DIR=os.path.join(self.dir, "runtime"),
                   QT_SCALE_FACTOR=str(self.scale), LC_ALL="C.UTF-8",
                   ASAN_OPTIONS="detect_leaks=0")
        return env

    def start_zef(self, operator=False):
        """The console; with `operator`, as the ordinary user nobody rather than root, for whom
        file permissions count (the session's folders and the emulator's device are then handed
        to that user)."""
        self.zef_out = open(os.path.join(self.dir, "zef.out"), "w")
        command = [self.bin("zef")]
        if operator:
            os.chmod(self.dir, 0o755)
            for sub in ("home", "config", "state", "data", "runtime"):
                for root, dirs, files in os.walk(os.path.join(self.dir, sub)):
                    for name in [root] + [os.path.join(root, n) for n in dirs + files]:
                        os.chown(name, NOBODY, NOBODY)
            os.chmod(os.path.realpath(self.link), 0o666)
            command = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups",
                       *command]
        self.zef = subprocess.Popen(command, env=self.env(), cwd=self.home,
                                    stdout=self.zef_out, stderr=subprocess.STDOUT)

    def bin(self, name):
        return os.path.join(self.prefix, "bin", name)

    def stop(self):
        for proc in (self.zef, self.sim, self.xvfb):
            if proc and proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if self.sim_in is not None:
            os.close(self.sim_in)

    # --- waiting and checking ---------------------------------------------------------------

    def alive(self):
        if self.zef and self.zef.poll() is not None:
            code = self.zef.returncode
            how = f"signal {-code}" if code < 0 else f"status {code}"
            out = os.path.join(self.dir, "zef.out")
            with open(out, errors="replace") as f:
                why = [x.strip() for x in f if "ERROR:" in x or re.match(r"\s*#[01] ", x)]
            raise Failure(f"the console ended ({how}): {' / '.join(why[:3])} (all in {out})")

    def wait(self, predicate, timeout, what):
        deadline = time.monotonic() + timeout
        while True:
            self.alive()
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                raise Failure(f"timed out after {timeout} s waiting for {what}")
            time.sleep(0.05)

    def check(self, condition, what):
        if not condition:
            raise Failure(what)

    def expect(self, condition, what):
        """A fault that does not stop the scenario: reported with the rest at its end."""
        if not condition:
            self.faults.append(what)
            print("FAULT:", what, flush=True)

    # --- windows, keys, mouse ---------------------------------------------------------------

    def xdo(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env(), capture_output=True,
                              text=True, timeout=20).stdout

    def windows(self, title):
        return self.xdo("search", "--onlyvisible", "--name", f"^{re.escape(title)}$").split()

    def window(self, title, timeout=10):
        """Waits for a visible top-level window with exactly this title; the newest if many."""
        return self.wait(lambda: (self.windows(title) or [None])[-1], timeout,
                         f'a window "{title}"')

    def gone(self, title, timeout=10):
        self.wait(lambda: not self.windows(title), timeout, f'the window "{title}" to close')

    def geometry(self, win):
        out = self.xdo("getwindowgeometry", "--shell", win)
        g = dict(line.split("=") for line in out.split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def focus(self, win):
        # No window manager: focus is given by hand, as it falls to the root when a box closes.
        self.xdo("windowraise", win)
        self.xdo("windowfocus", "--sync", win)

    def key(self, win, *keys):
        self.focus(win)
        self.xdo("key", "--delay", "60", *keys)

    def type(self, win, text):
        self.focus(win)
        self.xdo("type", "--delay", "30", text)

    def click(self, x, y, double=False):
        self.xdo("mousemove", "--sync", str(x), str(y))
        self.xdo("click", *(["--repeat", "2", "--delay", "80"] if double else []), "1")

    def set_clipboard(self, text, selection="clipboard"):
        # xclip stays to serve the selection until someone else takes it.
        proc = subprocess.Popen(["xclip", "-selection", selection, "-i"], env=self.env(),
                                stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        proc.stdin.write(text.encode())
        proc.stdin.close()
        self.wait(lambda: self.clipboard(selection) == text, 5, "the selection to take the text")

    def clipboard(self, selection="clipboard"):
        return subprocess.run(["xclip", "-selection", selection, "-o"], env=self.env(),
                              capture_output=True, timeout=5).stdout.decode(errors="replace")

    def box_text(self, win, *expected):
        """The text of a message box, read until it holds every `expected` part (a few tries,
        as the box may still be settling); else the fullest reading."""
        best = ""
        for _ in range(3):
            text = self.select_box_text(win)
            score = lambda s: (sum(part in s for part in expected), len(s))
            best = max(best, text, key=score)
            if all(part in best for part in expected):
                break
            time.sleep(0.5)
        return best

    def select_box_text(self, win):
        """The box's label lets the mouse select text, which X then holds as the primary
        selection: drag from the first letter, right of the icon, past the end of the last
        line."""
        x, y, w, h = self.geometry(win)
        img = None
        dark = lambda cx, cy: min(img.pixel(x + cx, y + cy)) < 110

        def text_left():
            # Icon, a gap, then the text.
            cols = [any(dark(cx, cy) for cy in range(2, h // 2)) for cx in range(w)]
            try:
                return cols.index(True, cols.index(False, cols.index(True)))
            except ValueError:
                return None

        def rows(image):
            starts = (3 * ((y + r) * image.width + x) for r in range(h))
            return [image.data[i:i + 3 * w] for i in starts]

        # The same picture twice in a row: the box is painted and in its place.
        previous = None
        for _ in range(15):
            img = Image(self.shot("box"))
            left = text_left()
            if left and previous and rows(previous) == rows(img):
                break
            previous = img
            time.sleep(0.2)
        else:
            raise Failure("no icon and text in the box: see the last screenshot")
        lines, start = [], None
        for cy in range(h):
            ink = any(dark(cx, cy) for cx in range(left, w - 2))
            if ink and start is None:
                start = cy
            elif not ink and start is not None:
                lines.append((start, cy))
                start = None
        # Text lines follow each other closely; the buttons come after a wider gap.
        text = lines[:1]
        for line in lines[1:]:
            if line[0] - text[-1][1] > (text[-1][1] - text[-1][0]):
                break
            text.append(line)
        first, last = text[0], text[-1]
        self.set_clipboard("", "primary")
        self.xdo("mousemove", "--sync", str(x + left + 1), str(y + (first[0] + first[1]) // 2))
        # A click first drops an earlier selection, from which a drag would move the text.
        self.xdo("click", "1")
        time.sleep(0.5)  # not a double-click
        self.xdo("mousedown", "1")
        self.xdo("mousemove", "--sync", str(x + w // 2), str(y + (last[0] + last[1]) // 2))
        self.xdo("mousemove", "--sync", str(x + w - 2), str(y + (last[0] + last[1]) // 2))
        self.xdo("mouseup", "1")
        try:
            selected = self.wait(lambda: self.clipboard("primary"), 3, "a selection")
        except Failure:
            self.alive()
            selected = ""
        return " ".join(selected.split())

    def shot(self, label):
        self.shots += 1
        path = os.path.join(self.dir, "shots", f"{self.shots:02d}-{label}.png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       check=True, capture_output=True, timeout=30)
        return path

    # --- the wire ---------------------------------------------------------------------------

    def wire(self):
        with open(self.log, errors="replace") as f:
            return f.read().splitlines()

    def wire_after(self, mark, predicate, timeout, what):
        """Waits until the commands logged after line `mark` satisfy `predicate`."""
        return self.wait(lambda: predicate(self.wire()[mark:]), timeout, what)

    @staticmethod
    def speeds(lines):
        return [int(m.group(1)) for m in (re.fullmatch(r"W(-?\d+)<CR>", x) for x in lines) if m]
