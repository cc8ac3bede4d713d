"""Runs setup.exe in the background and drives its wizard through wizdriver.exe."""
import contextlib
import os
import re
import shutil
import subprocess
import time
from dataclasses import dataclass, field
from pathlib import Path

from display import Xvfb, screenshot
from wine import BIN, BUILD, WinePrefix

SCREENSHOTS = BUILD / "gui-screenshots"
DRIVER = "C:\\wizdriver.exe"

PAGE_TIMEOUT = 60
BOX_TIMEOUT = 30
RUN_TIMEOUT = 300

BUTTONS = {"back": 12323, "next": 12324, "finish": 12325, "cancel": 2}
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7

_ESCAPES = {"\\": "\\", "r": "\r", "n": "\n", "t": "\t"}


def parse(output: bytes) -> dict:
    """wizdriver's key=value lines, unescaped."""
    values = {}
    for line in output.decode("utf-8").splitlines():
        key, sep, value = line.partition("=")
        if sep:
            values[key] = re.sub(r"\\(.)", lambda m: _ESCAPES.get(m.group(1), m.group(0)), value)
    return values


@dataclass
class Control:
    id: int
    text: str
    visible: bool
    enabled: bool
    cls: str = ""
    checked: int = None  # check boxes and radio buttons only
    items: list = None  # drop-down lists only
    pos: int = None  # progress bars only: PBM_GETPOS
    marquee: bool = None  # progress bars only
    rect: tuple = None  # left, top, right, bottom on the screen


def _numbered(values, prefix):
    """The groups "prefix.N.field" in the order of N, as dictionaries."""
    groups = {}
    for key, value in values.items():
        if key.startswith(prefix):
            n, _, name = key[len(prefix):].partition(".")
            groups.setdefault(int(n), {})[name] = value
    return [groups[n] for n in sorted(groups)]


@dataclass
class State:
    caption: str
    minimized: bool
    page: int
    focus: int
    focus_owner: str
    buttons: dict  # name ("back", ...) -> Control
    controls: list = field(default_factory=list)
    rect: tuple = None  # the sheet's left, top, right, bottom on the screen

    @classmethod
    def parse(cls, values):
        buttons = {
            name: Control(id, values[f"button.{id}.text"], values[f"button.{id}.visible"] == "1",
                          values[f"button.{id}.enabled"] == "1",
                          rect=tuple(map(int, values[f"button.{id}.rect"].split(",")))
                          if f"button.{id}.rect" in values else None)
            for name, id in BUTTONS.items()}
        controls = [
            Control(int(c["id"]), c["text"], c["visible"] == "1", c["enabled"] == "1", c["class"],
                    int(c["checked"]) if "checked" in c else None,
                    c["items"].split("|") if c.get("items") else ([] if "items" in c else None),
                    int(c["pos"]) if "pos" in c else None,
                    c["marquee"] == "1" if "marquee" in c else None,
                    tuple(map(int, c["rect"].split(","))) if "rect" in c else None)
            for c in _numbered(values, "control.")]
        return cls(values["sheet.caption"], values["sheet.minimized"] == "1", int(values["page.index"]),
                   int(values["focus.id"]), values["focus.owner"], buttons, controls,
                   tuple(map(int, values["sheet.rect"].split(","))) if "sheet.rect" in values else None)

    def control(self, id) -> Control:
        found = [c for c in self.controls if c.id == id]
        assert found, f"no control {id} on page {self.page}: {[c.id for c in self.controls]}"
        return found[0]

    def holds(self, *ids) -> bool:
        present = {c.id for c in self.controls}
        return all(i in present for i in ids)


@dataclass
class Box:
    caption: str
    text: str
    buttons: dict  # id -> text
    checked: dict = field(default_factory=dict)  # check box id -> 0 or 1
    size: tuple = (0, 0)  # width, height in pixels

    @classmethod
    def parse(cls, values):
        rows = _numbered(values, "box.button.")
        buttons = {int(b["id"]): b["text"] for b in rows}
        checked = {int(b["id"]): int(b["checked"]) for b in rows if "checked" in b}
        return cls(values["box.caption"], values["box.text"], buttons, checked,
                   (int(values.get("box.width", 0)), int(values.get("box.height", 0))))


def _box(text):
    return tuple(map(int, text.split(",")))


def clipping_faults(layout: dict) -> list:
    faults = []
    width, height = _box(layout["page.size"])
    left, top, right, bottom = _box(layout["sheet.rect"])
    work = _box(layout["screen.work"])
    if left < work[0] or top < work[1] or right > work[2] or bottom > work[3]:
        faults.append(f"the sheet {left},{top},{right},{bottom} is not inside the work area {work}")
    controls = _numbered(layout, "control.")
    if not any("need" in c for c in controls):
        faults.append("no text of the page was measured (wizmeasure.dll)")
    for c in controls:
        name = f"control {c['id']} ({c['class']}, {c['text'][:40]!r})"
        l, t, r, b = _box(c["rect"])
        if l < 0 or t < 0 or r > width or b > height:
            faults.append(f"{name} at {l},{t},{r},{b} is outside the page {width}x{height}")
        if "need" in c:
            need_w, need_h = _box(c["need"])
            room_w, room_h = _box(c["inside"])
            if need_w > room_w or need_h > room_h:
                faults.append(f"{name} needs {need_w}x{need_h} but has {room_w}x{room_h}")
    return faults


class DriverError(AssertionError):
    pass


class Wizard:
    """One background run of a wizard program and the calls that drive it."""

    def __init__(self, prefix: WinePrefix, display: str, name: str, program="C:\\dist\\setup.exe", child=None):
        """child: the image name of the program that program starts and waits for (a one-file
        setup's unpacked setup.exe); a stop ends it first."""
        self.prefix = prefix
        self.display = display
        self.name = re.sub(r"[^\w.-]+", "_", name)
        self.program = program
        self.child = child
        self.process = None
        self.runs = 0

    def start(self, *args):
        assert self.process is None or self.process.poll() is not None, "a run is still going"
        self.runs += 1
        folder = self.prefix.path / "runs"
        folder.mkdir(exist_ok=True)
        self.output = folder / f"{self.name}_{self.runs}.out"
        with open(self.output, "wb") as out, open(self.output.with_suffix(".err"), "wb") as err:
            # Files, not pipes: Wine's background processes may inherit and hold the streams.
            self.process = subprocess.Popen(["wine", "C:\\exitcode.exe", self.program, *args], env=self.prefix.env,
                                            stdin=subprocess.DEVNULL, stdout=out, stderr=err)

    def driver(self, *args, timeout=30, check=True) -> dict:
        """Runs wizdriver.exe; timeout (seconds) bounds the call, waits inside it have their own."""
        result = self.prefix._run(["wine", DRIVER, *map(str, args)], timeout=timeout)
        if check and result.returncode != 0:
            raise DriverError(f"wizdriver {' '.join(map(str, args))} answered {result.returncode}: "
                              f"{result.stderr.decode('utf-8', 'replace').strip()}")
        return parse(result.stdout)

    def _wait(self, *args, seconds):
        return self.driver(*args, int(seconds * 1000), timeout=seconds + 30)

    def state(self) -> State:
        return State.parse(self.driver("state"))

    def wait_page(self, control_id, timeout=PAGE_TIMEOUT) -> State:
        """Waits until the active page holds the visible control (pages are known by their controls);
        a tuple of controls: any of them."""
        ids = ",".join(map(str, control_id)) if isinstance(control_id, tuple) else control_id
        return State.parse(self._wait("wait-control", ids, seconds=timeout))

    def press(self, button):
        self.driver("press", button)

    def key(self, name):
        self.driver("key", name)

    def click(self, button):
        """A real mouse click (XTEST, through xdotool) in the middle of a sheet button."""
        left, top, right, bottom = self.state().buttons[button].rect
        env = dict(self.prefix.env, DISPLAY=self.display)
        subprocess.run(["xdotool", "mousemove", str((left + right) // 2), str((top + bottom) // 2), "click", "1"],
                       env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30, check=True)

    def post(self, message, wparam, watch_ms=0) -> dict:
        """Posts a window message to the sheet (as Windows would send a session change) and
        watches watch_ms milliseconds whether the sheet was minimized meanwhile."""
        return self.driver("post", message, wparam, watch_ms)

    def real_type(self, text):
        """Text typed through the X server, key by key."""
        subprocess.run(["xdotool", "type", "--delay", "60", text], env={**os.environ, "DISPLAY": self.display},
                       check=True, timeout=60)
        time.sleep(0.5)

    def real_keys(self, *names, delay_ms=150):
        """Key presses through the X server (XTEST), as a person's keyboard sends them: they reach
        whichever window has the focus, and nothing else."""
        subprocess.run(["xdotool", "key", "--delay", str(delay_ms), *names], env={**os.environ, "DISPLAY": self.display},
                       check=True, timeout=30)
        time.sleep(0.5)  # the wizard's thread takes the keys in its own time

    def window_shown(self, title, timeout=15) -> bool:
        """Whether a window with this title appears on the display within the timeout."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"],
                                   env={**os.environ, "DISPLAY": self.display}, capture_output=True, timeout=30)
            if found.returncode == 0 and found.stdout.strip():
                return True
            time.sleep(0.3)
        return False

    def focus(self, control_id):
        self.driver("focus", control_id)

    def box(self, timeout=BOX_TIMEOUT) -> Box:
        return Box.parse(self._wait("wait-box", seconds=timeout))

    def toggle(self, check_box_id) -> int:
        """Clicks a check box of the open box; answers its new state."""
        return int(self.driver("toggle", check_box_id)["checked"])

    def answer(self, button_id):
        self.driver("answer", button_id)

    def wait_gone(self, timeout=PAGE_TIMEOUT):
        self._wait("wait-gone", seconds=timeout)

    def type(self, control_id, text):
        self.driver("type", control_id, text)

    def select(self, control_id, text):
        self.driver("select", control_id, text)

    def tooltip(self, control_id) -> str:
        return self.driver("tooltip", control_id)["tooltip"]

    def layout(self) -> dict:
        return self.driver("layout")

    def clipping_faults(self) -> list:
        """What a person would see cut off on the active page: a visible control outside the page,
        the sheet outside the work area, or a text that needs more room than its control has."""
        return clipping_faults(self.layout())

    def shown_tip(self):
        """The text and screen rectangle of the tooltip the wizard shows now; None when none is shown."""
        values = self.driver("shown-tip", check=False)
        return (values["tip.text"], tuple(map(int, values["tip.rect"].split(",")))) if values else None

    def exit_code(self, timeout=RUN_TIMEOUT) -> int:
        """The run's full Windows exit code; a run still going after timeout is killed."""
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.stop()
            raise AssertionError(f"{self.program} still running after {timeout} s; killed")
        lines = self.output.read_bytes().decode("utf-8", "replace").split()
        assert lines and lines[-1].isdigit(), f"no exit code in {self.output}"
        return int(lines[-1])

    def screenshot(self, name, showing=None) -> Path:
        """The screen as a PNG. showing: the control of the page the shot is of; a shot taken after
        that page was gone (or minimized) is deleted and None answered, never kept under its name."""
        path = screenshot(self.display, SCREENSHOTS / f"{self.name}_{name}.png")
        if showing is None:
            return path
        try:
            state = self.state()
            shown = not state.minimized and state.holds(showing) and state.control(showing).visible
        except DriverError:
            shown = False
        if not shown:
            path.unlink(missing_ok=True)
            return None
        return path

    def stop(self):
        """Ends a run that is still going: the program first, every process of the prefix if that fails."""
        if self.process is None or self.process.poll() is not None:
            return
        try:
            for image in filter(None, (self.child, self.program.rsplit("\\", 1)[-1])):
                self.prefix._run(["wine", "taskkill", "/f", "/im", image], timeout=30)
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.prefix.restart_server()
            self.process.kill()
            self.process.wait(10)


@contextlib.contextmanager
def wizard_machine(name: str):
    """A private Xvfb and a Wine prefix that shows its windows there, with wizdriver.exe in it and
    windows unmanaged (Wine draws their captions: there is no window manager); both torn down."""
    xvfb = Xvfb(BUILD / "wine" / f"{name}.xvfb.log").start()
    try:
        prefix = WinePrefix(BUILD / "wine" / name, display=xvfb.display)
        try:
            prefix.up()
            prefix.reg_add("HKCU\\Software\\Wine\\X11 Driver", "Managed", "N")
            for tool in ("wizdriver.exe", "wizmeasure.dll"):
                shutil.copy(BIN / tool, prefix.drive_c / tool)
            yield prefix, xvfb.display
        finally:
            prefix.down()
    finally:
        xvfb.stop()
