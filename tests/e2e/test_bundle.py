"""The one-file setup (a bundle made by scripts/pack-bundle.py) under Wine: it installs as its folder
does, passes arguments and exit codes through, leaves nothing behind, loads no planted DLL, refuses
a damaged or unsafe bundle before anything runs, and keeps working once signed."""
import hashlib
import importlib.util
import shutil
import struct
import subprocess
import time

import pytest

from wine import (BIN, BUILD, FAILING, ROOT, Distribution, build_failing_package, hold_after_first_group, log_folder,
                  read_log, uninstall_all)

_spec = importlib.util.spec_from_file_location("pack_bundle", ROOT / "scripts" / "pack-bundle.py")
pack_bundle = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(pack_bundle)

STUB = BIN / "bundle_stub.exe"
RIZOD = ["{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C301}", "{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C302}",
         "{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C303}"]
DAMAGED, UNSAFE = 103020, 103021


def unpacked_folders(prefix):
    return sorted((prefix.drive_c / "windows" / "temp").glob("Setup-*"))


def bundle_lines(prefix):
    path = log_folder(prefix) / "Bundle.log"
    return read_log(path) if path.exists() else []


def clear_logs(prefix):
    for f in log_folder(prefix).glob("*"):
        if f.is_file():
            f.unlink()


def packed(prefix, folder, name):
    """folder packed into C:\\bundles\\<name>.exe, as the build packs the sample."""
    out = prefix.drive_c / "bundles" / f"{name}.exe"
    out.parent.mkdir(exist_ok=True)
    pack_bundle.pack(STUB, folder, out)
    return out


def windows_path(prefix, host):
    return "C:\\" + "\\".join(host.relative_to(prefix.drive_c).parts)


def with_failing_package(dist, scratch):
    """The Uvarud group ends with a package whose launch condition is false (1603)."""
    location = build_failing_package(dist, scratch)
    definition = (dist.dir / "RizodSuite.xml").read_text()
    package = f"""
        <PackageFile>
          <Name>Uvarud Legacy Bridge</Name>
          <GUID>{FAILING}</GUID>
          <Location>{location}</Location>
          <InstallOrder>3</InstallOrder>
        </PackageFile>"""
    end = definition.rindex("</PackageFileGroup>")
    (dist.dir / "RizodSuite.xml").write_text(definition[:end] + package + definition[end:])


# How each outcome is brought about in the folder (and so in its bundle): the arguments, a change
# to the distribution, the Windows version.
OUTCOMES = {
    "success": (["/q"], None, None, 0),
    "failed product": (["/q"], with_failing_package, None, 1603),
    "cancelled": (["/upgrade", "/q"], None, "winxp", 1602),
}


@pytest.mark.parametrize("outcome", OUTCOMES)
def test_the_bundle_ends_as_its_folder_does_and_leaves_no_folder(prefix, outcome, tmp_path):
    args, change, version, expected = OUTCOMES[outcome]
    dist = Distribution(prefix)
    if change:
        change(dist, tmp_path)
    bundle = windows_path(prefix, packed(prefix, dist.dir, "outcome"))
    codes = []
    prefix.set_windows_version(version)
    try:
        for program in (dist.setup, bundle):
            uninstall_all(prefix)
            clear_logs(prefix)
            codes.append(prefix.run(program, *args))
    finally:
        prefix.set_windows_version(None)
    assert codes == [expected, expected], bundle_lines(prefix)
    assert unpacked_folders(prefix) == []
    setup_lines = read_log(log_folder(prefix) / "Setup.log")
    assert f"Returning {expected}" in setup_lines
    assert any(l.endswith(f"setup.exe returned {expected}") for l in bundle_lines(prefix))
    if expected == 0:
        assert [prefix.product_state(c) for c in RIZOD] == [5, 5, 5]
    uninstall_all(prefix)


@pytest.fixture
def probe(prefix, tmp_path):
    """A distribution whose setup.exe is exitwith.exe: it records its command line in
    C:\\Temp\\probe.log and exits with EXITWITH_CODE, so a test sees whether and how it ran."""
    folder = tmp_path / "probe"
    (folder / "data").mkdir(parents=True)
    shutil.copy(BIN / "exitwith.exe", folder / "setup.exe")
    (folder / "data" / "notes.txt").write_text("x" * 5000)
    record = prefix.host_path("C:\\Temp\\probe.log")
    record.parent.mkdir(exist_ok=True)
    record.unlink(missing_ok=True)
    saved = dict(prefix.env)
    prefix.env.update(EXITWITH_LOG="C:\\Temp\\probe.log", EXITWITH_CODE="0")
    yield folder, record
    prefix.env.clear()
    prefix.env.update(saved)


def quoted(arg):
    """How exitcode.exe writes an argument into the command line it starts."""
    if arg and not any(c in arg for c in ' \t"'):
        return arg
    return '"' + arg.replace('"', '\\"') + '"'


@pytest.mark.parametrize("code", [0, 3010, 1603, 103010, 0xC0000005])
def test_arguments_reach_the_setup_untouched_and_its_code_comes_back(prefix, probe, code):
    folder, record = probe
    bundle = windows_path(prefix, packed(prefix, folder, "probe"))
    prefix.env["EXITWITH_CODE"] = str(code if code < 0x80000000 else code - (1 << 32))
    args = ["/q", 'NOTE=a "quoted" value', "TARGETDIR=C:\\Program Files\\Rizod", "tab\there", "PASSWORD=s3cret"]
    assert prefix.run(bundle, *args) == code
    line = record.read_text(encoding="utf-8").splitlines()[-1]
    setup = line[:line.index('" ') + 1]
    assert setup.startswith('"C:\\windows\\Temp\\Setup-') and setup.endswith('\\setup.exe"'), line
    assert line[len(setup):] == " " + " ".join(quoted(a) for a in args)
    assert unpacked_folders(prefix) == []
    assert not any("s3cret" in l for l in bundle_lines(prefix))


@pytest.mark.parametrize("dll", ["version", "riched20", "cabinet"])
def test_a_dll_planted_beside_the_bundle_is_not_loaded(prefix, probe, dll):
    folder, record = probe
    bundle = packed(prefix, folder, "planted")
    shutil.copy(BUILD / "planted" / f"{dll}.dll", bundle.parent / f"{dll}.dll")
    marker = bundle.parent / f"{dll}.dll.loaded"
    marker.unlink(missing_ok=True)
    prefix.env["WINEDLLOVERRIDES"] += f";{dll}=n,b"  # Windows' order: the program's folder first
    try:
        code = prefix.run(windows_path(prefix, bundle), "/q")
    finally:
        (bundle.parent / f"{dll}.dll").unlink()
    assert not marker.exists()
    assert code == 0
    assert record.exists()


def files_of(folder):
    return [("\\".join(p.relative_to(folder).parts), p.read_bytes()) for p in sorted(folder.rglob("*")) if p.is_file()]


def craft(folder, cabinet_names=None, manifest_names=None, manifest_sizes=None, manifest_digests=None):
    """A bundle of the folder with the cabinet's and the manifest's names or sizes replaced, every
    hash otherwise consistent, so that only the one fault is there to find."""
    entries = files_of(folder)
    names = [n for n, _ in entries]
    cabinet = pack_bundle.cabinet_from_entries(list(zip(cabinet_names or names, [c for _, c in entries])))
    records = [(m, (manifest_sizes or {}).get(m, len(c)), (manifest_digests or {}).get(m, hashlib.sha256(c).hexdigest()))
               for m, (_, c) in zip(manifest_names or names, entries)]
    return pack_bundle.assemble(STUB.read_bytes(), cabinet, pack_bundle.manifest_text(cabinet, records))


def flip(data, at):
    return data[:at] + bytes([data[at] ^ 0xFF]) + data[at + 1:]


def payload_offsets(data):
    return struct.unpack("<QQQ", data[-64:-40])


LONG = "d" * 200 + "\\" + "e" * 70 + ".txt"
BAD_BUNDLES = {
    "truncated": (lambda f, good: good[:len(good) - 1000], DAMAGED),
    "cut before its trailer": (lambda f, good: good[:len(STUB.read_bytes()) + 100], DAMAGED),
    "a changed byte in the cabinet": (lambda f, good: flip(good, payload_offsets(good)[0] + 200), DAMAGED),
    "a changed byte in the manifest": (lambda f, good: flip(good, sum(payload_offsets(good)[:2]) + 30), DAMAGED),
    "a manifest that does not match": (lambda f, good: craft(f, manifest_digests={"data\\notes.txt": "0" * 64}), DAMAGED),
    "a dot-dot entry": (lambda f, good: craft(f, cabinet_names=["..\\notes.txt", "setup.exe"]), UNSAFE),
    "a dot-dot entry in the manifest": (lambda f, good: craft(f, manifest_names=["..\\..\\notes.txt", "setup.exe"]), UNSAFE),
    "an absolute entry": (lambda f, good: craft(f, cabinet_names=["\\Temp\\notes.txt", "setup.exe"]), UNSAFE),
    "a drive-letter entry": (lambda f, good: craft(f, cabinet_names=["C:notes.txt", "setup.exe"]), UNSAFE),
    "a name longer than MAX_PATH": (lambda f, good: craft(f, cabinet_names=[LONG, "setup.exe"],
                                                          manifest_names=[LONG, "setup.exe"]), UNSAFE),
    "expansion past its bound": (lambda f, good: craft(f, manifest_sizes={"data\\notes.txt": 100}), UNSAFE),
}


@pytest.mark.parametrize("fault", BAD_BUNDLES)
def test_a_bad_bundle_is_refused_before_anything_runs(prefix, probe, fault):
    folder, record = probe
    good = packed(prefix, folder, "good").read_bytes()
    make, expected = BAD_BUNDLES[fault]
    bad = prefix.drive_c / "bundles" / "bad.exe"
    bad.write_bytes(make(folder, good))
    clear_logs(prefix)
    code = prefix.run("C:\\bundles\\bad.exe", "/q")
    lines = bundle_lines(prefix)
    assert code == expected, lines
    assert not record.exists()  # the setup never ran
    assert unpacked_folders(prefix) == []
    assert not (prefix.drive_c / "windows" / "notes.txt").exists()
    assert not (prefix.drive_c / "Temp" / "notes.txt").exists()
    assert any(l.startswith("C:\\bundles\\bad.exe cannot be used: ") and l.endswith(f"Returning {expected}")
               for l in lines), lines


def unpacked_into(lines):
    """The folders the bundles of Bundle.log unpacked into, in the order they did."""
    return [l.split(" unpacked into ", 1)[1] for l in lines if " unpacked into " in l]


GATE = "C:\\Temp\\gate.dat"


@pytest.mark.parametrize("twice", [False, True], ids=["two copies", "one file started twice"])
def test_a_second_bundle_started_meanwhile_ends_with_1618_in_a_folder_of_its_own(prefix, twice):
    uninstall_all(prefix)
    dist = Distribution(prefix)
    hold_after_first_group(dist, GATE)
    first = packed(prefix, dist.dir, "gated")
    second = first if twice else packed(prefix, dist.dir, "gated-copy")
    gate = prefix.host_path(GATE)
    for f in (gate, gate.with_name("gate.dat.held"), gate.with_name("gate.dat.release")):
        f.unlink(missing_ok=True)
    clear_logs(prefix)

    run = prefix.start(windows_path(prefix, first), "/q")
    try:
        deadline = time.time() + 120
        while not gate.with_name("gate.dat.held").exists():
            assert run.running(), "the first bundle ended before its gate"
            assert time.time() < deadline, "the first bundle never reached its gate"
            time.sleep(0.2)
        held = unpacked_folders(prefix)
        first_files = files_of(held[0]) if held else []
        second_code = prefix.run(windows_path(prefix, second), "/q", timeout=120)
        meanwhile = unpacked_folders(prefix)
        first_files_meanwhile = files_of(held[0]) if held else []
    finally:
        gate.with_name("gate.dat.release").write_text("")
    first_code = run.exit_code(timeout=120)

    lines = bundle_lines(prefix)
    assert second_code == 1618, lines
    assert first_code == 0, lines
    folders = unpacked_into(lines)
    assert len(folders) == 2 and folders[0].lower() != folders[1].lower(), folders
    # While the first ran, only its folder stood, unchanged by the second bundle, which had removed its own.
    assert [f.name for f in held] == [folders[0].rsplit("\\", 1)[1]]
    assert meanwhile == held and first_files_meanwhile == first_files
    assert f"{folders[1]}\\setup.exe returned 1618" in lines
    assert f"{folders[0]}\\setup.exe returned 0" in lines
    assert "Returning 0" in read_log(log_folder(prefix) / "Setup.log")
    own = list(log_folder(prefix).glob("Setup_*.log"))
    assert len(own) == 1 and "Returning 1618" in read_log(own[0])
    assert [prefix.product_state(c) for c in RIZOD] == [5, 5, 5]
    assert unpacked_folders(prefix) == []
    uninstall_all(prefix)


def packed_code(guid):
    """A product code as Windows Installer writes it in its registry keys."""
    h = guid.strip("{}").replace("-", "")
    return h[7::-1] + h[11:7:-1] + h[15:11:-1] + "".join(h[i + 1] + h[i] for i in range(16, 32, 2))


def network_sources(prefix, guid):
    key = f"HKLM\\Software\\Classes\\Installer\\Products\\{packed_code(guid)}\\SourceList\\Net"
    out = prefix._run(["wine", "reg", "query", key]).stdout.decode("utf-8", "replace")
    return [l.split("REG_EXPAND_SZ", 1)[1].strip().lower() for l in out.splitlines() if "REG_EXPAND_SZ" in l]


@pytest.mark.parametrize("repairer", ["the folder", "a second bundle"])
def test_after_a_bundle_install_a_repair_finds_a_source_and_an_uninstall_works(prefix, repairer):
    """The bundle's unpacked folder, the products' recorded source, is gone after the install; the
    repair makes its own package folder a source before it puts a deleted file back."""
    uninstall_all(prefix)
    dist = Distribution(prefix)
    bundle = windows_path(prefix, packed(prefix, dist.dir, "first"))
    clear_logs(prefix)
    assert prefix.run(bundle, "/q") == 0, bundle_lines(prefix)
    installed_from = unpacked_into(bundle_lines(prefix))[0]
    assert network_sources(prefix, RIZOD[0]) == [(installed_from + "\\Packages\\").lower()]
    assert unpacked_folders(prefix) == []
    removed = prefix.drive_c / "Program Files (x86)" / "Orvanta" / "Rizod" / "RizodServer.txt"
    removed.unlink()

    clear_logs(prefix)
    if repairer == "the folder":
        code, source = dist.run("/r", "/q"), dist.windows_dir
    else:
        code = prefix.run(windows_path(prefix, packed(prefix, dist.dir, "second")), "/r", "/q")
        source = unpacked_into(bundle_lines(prefix))[0]
    lines = read_log(log_folder(prefix) / "Setup.log")
    assert code == 0, lines
    assert "Repairing Rizod Server returned 0." in lines
    assert not any(l.startswith("Adding the folder of ") for l in lines), lines
    assert removed.exists()
    assert (source + "\\Packages\\").lower() in network_sources(prefix, RIZOD[0])

    assert prefix.run(bundle, "/u", "/q") == 0, bundle_lines(prefix)
    assert [prefix.product_state(c) for c in RIZOD] == [-1, -1, -1]
    assert unpacked_folders(prefix) == []


def test_a_signed_bundle_verifies_and_installs(prefix, tmp_path):
    uninstall_all(prefix)
    key, cert = tmp_path / "key.pem", tmp_path / "cert.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key), "-out", str(cert),
                    "-days", "2", "-subj", "/CN=Bundle Test Signer", "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, capture_output=True)
    unsigned = BUILD / "RizodSuite-setup.exe"
    signed = prefix.drive_c / "bundles" / "RizodSuite-setup.exe"
    signed.parent.mkdir(exist_ok=True)
    signed.unlink(missing_ok=True)
    subprocess.run(["osslsigncode", "sign", "-certs", str(cert), "-key", str(key), "-n", "Rizod Suite",
                    "-h", "sha256", "-in", str(unsigned), "-out", str(signed)], check=True, capture_output=True)
    assert signed.stat().st_size > unsigned.stat().st_size
    verified = subprocess.run(["osslsigncode", "verify", "-CAfile", str(cert), "-in", str(signed)],
                              capture_output=True, text=True)
    assert verified.returncode == 0, verified.stdout + verified.stderr
    assert "Signature verification: ok" in verified.stdout
    clear_logs(prefix)
    assert prefix.run("C:\\bundles\\RizodSuite-setup.exe", "/q") == 0, bundle_lines(prefix)
    assert [prefix.product_state(c) for c in RIZOD] == [5, 5, 5]
    assert unpacked_folders(prefix) == []
    uninstall_all(prefix)
