"""The wizard's template and control numbers, read from the header the program is built with."""
import re
from pathlib import Path

_HEADER = Path(__file__).resolve().parents[2] / "resources" / "wizard_ids.h"
ID = {m.group(1): int(m.group(2)) for m in re.finditer(r"^#define (ID\w+) (\d+)", _HEADER.read_text(), re.M)}
globals().update(ID)
