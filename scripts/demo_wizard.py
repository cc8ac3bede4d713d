#!/usr/bin/env python3
"""The wizard demo without a display: a private Xvfb and Wine prefix, the sample distribution
started without switches, driven through one install; a screenshot of every page."""
import shutil
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "gui"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from display import Xvfb  # noqa: E402
from wine import BIN, BUILD, Distribution, WinePrefix, log_folder, read_log  # noqa: E402
from wizard import Wizard  # noqa: E402

PAGES = (("welcome", 218, "next"), ("product", 198, "next"), ("install", 204, None), ("finish", 180, "finish"))


def main():
    xvfb = Xvfb(BUILD / "wine" / "demo_wizard.xvfb.log").start()
    prefix = WinePrefix(BUILD / "wine" / "demo_wizard", display=xvfb.display)
    try:
        prefix.up()
        prefix.reg_add("HKCU\\Software\\Wine\\X11 Driver", "Managed", "N")
        shutil.copy(BIN / "wizdriver.exe", prefix.drive_c / "wizdriver.exe")
        Distribution(prefix)
        wizard = Wizard(prefix, xvfb.display, "demo")
        wizard.start()
        for name, control, button in PAGES:
            wizard.wait_page(control, timeout=240)
            print(f"demo: {name} page: {wizard.screenshot(name)}")
            if button:
                wizard.press(button)
        code = wizard.exit_code()
        print(f"demo: exit code {code}")
        states = [prefix.product_state(c) for c in ("{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C301}",
                                                     "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E501}")]
        print(f"demo: Rizod Server and Uvarud Client states (5 installed): {states}")
        print("demo: what the run did (from Setup.log):")
        for line in read_log(log_folder(prefix) / "Setup.log"):
            if any(k in line for k in ("mode detected", "thread", "returned", "Executing", "Error code", "Closing", "Returning")):
                print(f"  {line}")
        return 0 if code == 0 else 1
    finally:
        prefix.down()
        xvfb.stop()


if __name__ == "__main__":
    sys.exit(main())
