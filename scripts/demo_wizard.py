#!/usr/bin/env python3
"""The wizard demo without a display: a private Xvfb and Wine prefix, the sample distribution
started without switches, driven through one install; a screenshot of every page."""
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "gui"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from ids import IDC_CLICK_NEXT, IDC_FINISH_TITLE, IDC_FOLDER, IDC_PROGRESS_BAR  # noqa: E402
from wine import Distribution, log_folder, read_log  # noqa: E402
from wizard import Wizard, wizard_machine  # noqa: E402

PAGES = (("welcome", IDC_CLICK_NEXT, "next"), ("product", IDC_FOLDER, "next"), ("install", IDC_PROGRESS_BAR, None),
         ("finish", IDC_FINISH_TITLE, "finish"))


def main():
    with wizard_machine("demo_wizard") as (prefix, display):
        Distribution(prefix)
        wizard = Wizard(prefix, display, "demo")
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


if __name__ == "__main__":
    sys.exit(main())
