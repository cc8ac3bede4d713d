"""The README's exit-code table and the program's list of exit codes say the same thing."""
import re

from wine import ROOT


def enum_codes():
    text = (ROOT / "core" / "exit_codes.h").read_text()
    return {name: int(value) for name, value in re.findall(r"^\s*([A-Z][A-Za-z]*) = (\d+),", text, re.M)}


def readme_codes():
    text = (ROOT / "README.md").read_text()
    section = text[text.index("## Exit codes"):]
    section = section[:section.index("\n## ", 1)]
    return {name: int(value) for value, name in re.findall(r"^\| (\d+) \| `([A-Za-z]+)` \|", section, re.M)}


def test_every_exit_code_has_one_row_and_every_row_a_code():
    codes = enum_codes()
    assert codes, "no codes read from core/exit_codes.h"
    assert readme_codes() == codes


def test_values_never_repeat():
    values = list(enum_codes().values())
    assert len(values) == len(set(values))
