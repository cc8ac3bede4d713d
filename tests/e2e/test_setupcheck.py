"""setupcheck.exe under Wine: the corpus of faulty definitions (one finding each, its expected
line in the file's first comment), the sample definitions and the reference's example clean,
and docs/definition.md in step with the checker's own table."""
import re
import subprocess
import tempfile

from wine import BIN, DIST, ROOT

CORPUS = ROOT / "tests" / "setupcheck"
DOCS = ROOT / "docs" / "definition.md"


def setupcheck(prefix, *args, cwd):
    """Runs setupcheck.exe in cwd; answers (exit code, output lines)."""
    with tempfile.TemporaryFile() as out:
        result = subprocess.run(["wine", str(BIN / "setupcheck.exe"), *args], env=prefix.env, cwd=cwd,
                                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL, timeout=120)
        out.seek(0)
        return result.returncode, out.read().decode("utf-8").splitlines()


def test_each_corpus_definition_reports_its_one_finding(prefix):
    files = sorted(CORPUS.glob("*.xml"))
    expected = []
    for f in files:
        first = f.read_text(encoding="utf-8").splitlines()[0]
        match = re.fullmatch(r"<!-- expect: (.*) -->", first)
        assert match, f"{f.name}: no expected line"
        expected.append(f.name + match.group(1))
    code, lines = setupcheck(prefix, "--dist", ".", *[f.name for f in files], cwd=CORPUS)
    assert lines == expected
    assert code == 2


def test_warnings_alone_exit_with_1(prefix):
    assert setupcheck(prefix, "order_gap.xml", cwd=CORPUS)[0] == 1


def test_samples_and_the_reference_example_are_clean(prefix, tmp_path):
    example = re.search(r"## A complete example\s+```xml\n(.*?)```", DOCS.read_text(encoding="utf-8"), re.S)
    (tmp_path / "Example.xml").write_text(example.group(1), encoding="utf-8")
    samples = sorted((ROOT / "samples").glob("*.xml")) + sorted((ROOT / "samples" / "products").glob("*.xml"))
    assert samples
    assert setupcheck(prefix, *[str(p.relative_to(ROOT)) for p in samples], cwd=ROOT) == (0, [])
    assert setupcheck(prefix, "Example.xml", cwd=tmp_path) == (0, [])


def test_the_built_distribution_is_clean_with_its_packages(prefix):
    # The folder form picks the definition as setup.exe does and looks for every Location in it.
    assert (DIST / "setup.exe").exists(), "build the dist target first"
    assert setupcheck(prefix, "dist", cwd=DIST.parent) == (0, [])


def test_each_server_product_distribution_is_clean_with_its_packages(prefix):
    products = DIST.parent / "products"
    names = sorted(p.stem for p in (ROOT / "samples" / "products").glob("*.xml"))
    assert names
    for name in names:
        assert (products / name / "setup.exe").exists(), "build the products target first"
        assert setupcheck(prefix, name, cwd=products) == (0, []), name


def doc_table(text):
    """The facts of docs/definition.md's checked tables, in the form of "setupcheck --table"."""
    def rows(heading):
        for line in text.split(heading + "\n", 1)[1].splitlines():
            if line.startswith("#"):
                return
            if line.startswith("| `"):
                yield line.strip().strip("|").split("|")

    def ticks(cell):
        return re.findall(r"`([^`]+)`", cell)

    facts = []
    for cells in rows("## Elements (checked)"):
        name = ticks(cells[0])[0]
        facts += [f"element {name} {parent}" for parent in ticks(cells[1]) or ["anywhere"]]
        facts += [f"attribute {name} {a}" for a in ticks(cells[2])]
        facts += [f"text {name} {t}" for t in ticks(cells[3])]
        facts += [f"conditions {name} {k}" for k in ticks(cells[4])]
    facts += [f"probe {ticks(cells[0])[0]}" for cells in rows("## Probe names (checked)")]
    facts += [f"code {ticks(cells[0])[0]} {cells[1].strip()}" for cells in rows("### Codes (checked)")]
    return sorted(facts)


def test_the_reference_documents_exactly_the_checkers_table(prefix):
    code, lines = setupcheck(prefix, "--table", cwd=ROOT)
    assert code == 0 and lines
    assert doc_table(DOCS.read_text(encoding="utf-8")) == sorted(lines)
