"""A private virtual X display (Xvfb) for one GUI test module."""
import itertools
import os
import subprocess
import time
from pathlib import Path

FIRST_DISPLAY = 90
_numbers = itertools.count(FIRST_DISPLAY)


class Xvfb:
    def __init__(self, log: Path, start_timeout=15, tries=10, size="1024x768"):
        self.log = log
        self.size = size
        self.start_timeout = start_timeout
        self.tries = tries
        self.process = None
        self.display = None

    def start(self):
        self.log.parent.mkdir(parents=True, exist_ok=True)
        for _ in range(self.tries):
            number = next(_numbers)
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            if self._try(number):
                return self
        raise RuntimeError(f"no Xvfb display could be started (see {self.log})")

    def _try(self, number) -> bool:
        with open(self.log, "ab") as log:
            self.process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", f"{self.size}x24", "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        socket = Path(f"/tmp/.X11-unix/X{number}")
        deadline = time.monotonic() + self.start_timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:  # lost a race for that number
                self.process = None
                return False
            if socket.exists():
                self.display = f":{number}"
                return True
            time.sleep(0.05)
        self.stop()
        return False

    def stop(self):
        if self.process is None:
            return
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(5)
        self.process = None


def screenshot(display: str, path: Path, timeout=30):
    """The whole screen of the display as a PNG (ImageMagick import)."""
    path.parent.mkdir(parents=True, exist_ok=True)
    env = dict(os.environ, DISPLAY=display)
    subprocess.run(["import", "-window", "root", "-display", display, str(path)], env=env,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=timeout, check=True)
    return path


# The system colours of a white-on-black high-contrast scheme, as "Control Panel\Colors" holds them.
HIGH_CONTRAST_BLACK = {
    "Window": "0 0 0", "WindowText": "255 255 255", "ButtonFace": "0 0 0", "ButtonText": "255 255 255",
    "Highlight": "26 235 255", "HighlightText": "0 0 0", "GrayText": "63 242 63", "Hilight": "26 235 255",
    "HilightText": "0 0 0", "HotTrackingColor": "255 255 0", "InfoWindow": "0 0 0", "InfoText": "255 255 255",
    "Menu": "0 0 0", "MenuText": "255 255 255", "ButtonShadow": "128 128 128", "ButtonHilight": "255 255 255",
    "ButtonLight": "255 255 255", "ButtonDkShadow": "255 255 255", "AppWorkSpace": "0 0 0", "Background": "0 0 0",
}
