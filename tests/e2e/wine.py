"""A private Wine prefix and a distribution folder in it, for running the real setup.exe."""
import hashlib
import http.server
import json
import os
import shutil
import ssl
import subprocess
import tempfile
import threading
from pathlib import Path

import jsonschema
import pytest

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("SETUP_BUILD_DIR", ROOT / "build" / "x64"))
BIN = BUILD / "bin"
DIST = BUILD / "dist"
PRODUCTS = BUILD / "products"  # a distribution per server product, by short name


class WinePrefix:
    def __init__(self, path: Path, display: str = None):
        """display: the X display (":91") for GUI runs; without one a box returns at once."""
        self.path = path
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=str(path), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("DISPLAY", None)
        if display:
            self.env["DISPLAY"] = display

    def _run(self, args, timeout=120, check=False):
        # Files, not pipes: Wine's background processes may inherit the streams and would
        # keep a pipe open long after the command ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(args, env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                    timeout=timeout)
            out.seek(0)
            err.seek(0)
            result.stdout, result.stderr = out.read(), err.read()
        if check and result.returncode != 0:
            raise subprocess.CalledProcessError(result.returncode, args, result.stdout, result.stderr)
        return result

    def up(self):
        if self.path.exists():
            shutil.rmtree(self.path)
        self.path.mkdir(parents=True)
        self._run(["wineserver", "-p"])  # persistent from the start, so nothing pays its start-up again
        self._run(["wineboot", "-i"], timeout=300, check=True)
        self._run(["wine", "cmd", "/c", "exit"])
        for tool in ("exitcode.exe", "msistate.exe", "holdfile.exe"):
            shutil.copy(BIN / tool, self.drive_c / tool)

    def restart_server(self):
        """Ends every process of the prefix (the last resort against a hung program)."""
        self._run(["wineserver", "-k"])
        self._run(["wineserver", "-p"])
        self._run(["wine", "cmd", "/c", "exit"])

    def down(self):
        self._run(["wineserver", "-k"])
        shutil.rmtree(self.path, ignore_errors=True)

    @property
    def drive_c(self) -> Path:
        return self.path / "drive_c"

    def host_path(self, windows_path: str) -> Path:
        """C:\\Temp\\x -> <prefix>/drive_c/Temp/x"""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return self.drive_c.joinpath(*windows_path[3:].split("\\"))

    def run(self, program: str, *args: str, timeout=300) -> int:
        """Runs a Windows program and answers its full 32-bit exit code."""
        result = self._run(["wine", "C:\\exitcode.exe", program, *args], timeout=timeout)
        out = result.stdout.decode("utf-8", "replace").strip().splitlines()
        assert out and out[-1].isdigit(), f"no exit code: {result.stdout!r} {result.stderr!r}"
        return int(out[-1])

    def start(self, program: str, *args: str) -> "BackgroundRun":
        """Starts a Windows program without waiting; its exit code comes from the answer's exit_code."""
        return BackgroundRun(self, program, args)

    def product_state(self, product_code: str) -> int:
        """MsiQueryProductStateW: 5 installed, -1 unknown, ..."""
        result = self._run(["wine", "C:\\msistate.exe", product_code])
        return int(result.stdout.decode().strip().splitlines()[-1])

    def reg_add(self, key, name, value, kind="REG_SZ", view=None):
        args = ["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f"]
        if view:
            args.append(f"/reg:{view}")
        self._run(args, check=True)

    def reg_delete(self, key, name, view=None):
        args = ["wine", "reg", "delete", key, "/v", name, "/f"]
        if view:
            args.append(f"/reg:{view}")
        self._run(args)

    def reg_query(self, key, name):
        """The value's data as reg.exe shows it; None when the value is missing."""
        out = self._run(["wine", "reg", "query", key, "/v", name]).stdout.decode(errors="replace")
        for line in out.splitlines():
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    def set_windows_version(self, version):
        if version is None:
            self.reg_delete("HKCU\\Software\\Wine", "Version")
        else:
            self.reg_add("HKCU\\Software\\Wine", "Version", version)


class BackgroundRun:
    """A program run through exitcode.exe in the background."""

    def __init__(self, prefix: WinePrefix, program: str, args):
        # A file, not a pipe: Wine's background processes may inherit the stream and hold it.
        self.out = tempfile.TemporaryFile()
        self.process = subprocess.Popen(["wine", "C:\\exitcode.exe", program, *args], env=prefix.env,
                                        stdin=subprocess.DEVNULL, stdout=self.out, stderr=subprocess.DEVNULL)

    def running(self) -> bool:
        return self.process.poll() is None

    def exit_code(self, timeout=120) -> int:
        """Its full Windows exit code; a run still going after timeout is killed and fails the test."""
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(10)
            raise AssertionError(f"still running after {timeout} s; killed")
        self.out.seek(0)
        lines = self.out.read().decode("utf-8", "replace").split()
        self.out.close()
        assert lines and lines[-1].isdigit(), f"no exit code: {lines}"
        return int(lines[-1])


def add_post_install_step(dist: "Distribution", name: str, tool: str, arguments: str):
    """The first package group gets a post-install step: the test tool, copied into the
    distribution's Packages folder, started with the arguments."""
    shutil.copy(BIN / tool, dist.dir / "Packages" / tool)
    definition = (dist.dir / "RizodSuite.xml").read_text()
    step = f"""
        <PackageFile>
          <Name>{name}</Name>
          <Location>[WORKINGDIRECTORY]\\Packages\\{tool}</Location>
          <InstallArguments>{arguments}</InstallArguments>
          <PostInstallOrder>1</PostInstallOrder>
        </PackageFile>"""
    end = definition.index("</PackageFileGroup>")
    (dist.dir / "RizodSuite.xml").write_text(definition[:end] + step + definition[end:])


def hold_after_first_group(dist: "Distribution", gate: str, seconds=120):
    """A post-install step of the first group, holdfile.exe, holds the run until the test writes
    <gate>.release (it writes <gate>.held once it waits)."""
    add_post_install_step(dist, "Gate", "holdfile.exe", f"{gate} {seconds}")


def restart_notice(dist: "Distribution", answer):
    """A post-install step of the first group that answers as an installer asking for a restart does."""
    add_post_install_step(dist, "Restart Notice", "exitwith.exe", answer)


class Distribution:
    """A copy of a built distribution folder (by default the sample suite's) inside the prefix
    (C:\\dist, or C:\\<name> with backslashes for deeper folders)."""

    def __init__(self, prefix: WinePrefix, name="dist", source: Path = DIST):
        """source None: the folder C:\\<name> as it stands (an offline layout the setup made)."""
        self.prefix = prefix
        self.windows_dir = f"C:\\{name}"
        self.dir = prefix.host_path(self.windows_dir)
        if source is None:
            return
        if self.dir.exists():
            shutil.rmtree(self.dir)
        shutil.copytree(source, self.dir)

    @property
    def setup(self):
        return self.windows_dir + "\\setup.exe"

    def run(self, *args, timeout=300) -> int:
        result = log_folder(self.prefix) / "SetupResult.json"
        before = result.stat().st_mtime_ns if result.exists() else None
        code = self.prefix.run(self.setup, *args, timeout=timeout)
        # Every result file a run leaves is checked against the published schema.
        if result.exists() and result.stat().st_mtime_ns != before:
            assert check_result(result)["exitCode"] == code
        return code


RESULT_SCHEMA = ROOT / "docs" / "setup-result.schema.json"


def check_result(path: Path) -> dict:
    """The result file, read and validated against the schema in docs/."""
    result = json.loads(path.read_text(encoding="utf-8"))
    jsonschema.validate(result, json.loads(RESULT_SCHEMA.read_text()))
    return result


def log_folder(prefix: WinePrefix) -> Path:
    return prefix.host_path("C:\\Temp\\DEVadirez")


def plant_link(prefix: WinePrefix, windows_path: str) -> Path:
    """Puts a Unix symlink (a reparse point to Wine) at windows_path, leading to a folder that holds
    one file; answers that folder, for assert_untouched."""
    link = prefix.host_path(windows_path)
    target = prefix.drive_c / ("planted-" + windows_path[3:].replace("\\", "-"))
    shutil.rmtree(target, ignore_errors=True)
    target.mkdir(parents=True)
    (target / "keep.txt").write_bytes(b"another user's file")
    link.parent.mkdir(parents=True, exist_ok=True)
    if link.is_symlink() or link.is_file():
        link.unlink()
    elif link.exists():
        shutil.rmtree(link)
    link.symlink_to(target, target_is_directory=True)
    return target


def assert_untouched(target: Path):
    """The planted link's folder holds exactly what it held: nothing written through the link."""
    assert [p.name for p in target.iterdir()] == ["keep.txt"]
    assert (target / "keep.txt").read_bytes() == b"another user's file"


def read_log(path: Path):
    """The log's lines without their time stamps (they are ANSI, code page 1252 here)."""
    lines = []
    for raw in path.read_bytes().decode("cp1252", "replace").split("\r\n"):
        if not raw:
            continue
        date, time, rest = (raw.split(" ", 2) + ["", ""])[:3]
        lines.append(rest)
    return lines


# Product codes of the sample suite's packages.
SAMPLE_PRODUCTS = {
    "RizodServer": "{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C301}",
    "RizodDocs": "{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C302}",
    "RizodTools": "{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C303}",
    "UvarudClient": "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E501}",
    "UvarudLanguagePack": "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E502}",
}


def files_holding(prefix: WinePrefix, secrets):
    """Every file of the prefix (the registry's files included) that holds one of the secrets in
    ANSI or UTF-16: (where, secret) pairs."""
    hits = []
    for path in prefix.path.rglob("*"):
        if path.is_file() and not path.is_symlink() and path.stat().st_size < 50_000_000:
            data = path.read_bytes()
            for secret in secrets:
                if secret.encode("cp1252") in data or secret.encode("utf-16-le") in data:
                    hits.append((str(path), secret))
    return hits


def uninstall_all(prefix: WinePrefix, extra=()):
    """Removes whatever a test left installed, so the next one starts from a clean machine."""
    for code in list(SAMPLE_PRODUCTS.values()) + list(extra):
        if prefix.product_state(code) in (5, 2):
            prefix.run("msiexec", "/x", code, "/qn")


def run_setup(prefix: WinePrefix, dist: Distribution, *args):
    """Runs setup.exe on a fresh log folder: its exit code and its Setup.log lines."""
    for f in log_folder(prefix).glob("*"):
        if f.is_file():
            f.unlink()
    code = dist.run(*args)
    return code, read_log(log_folder(prefix) / "Setup.log")


def dump_of(lines):
    """The property dump that follows "Returning <code>", as a dictionary."""
    start = next(i for i, l in enumerate(lines) if l.startswith("Returning "))
    return dict(l.split(" = ", 1) for l in lines[start + 1:] if " = " in l)


# The sample's file prerequisite, the Orvanta runtime package.
RUNTIME = "{4F2A9C31-7B1E-4D5A-9C3E-2B8D6A1F0E01}"


# A package that never installs: its launch condition is false, so Windows Installer answers 1603.
FAILING = "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5EE}"
FAILING_WXS = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{FAILING}" Name="Uvarud Legacy Bridge" Language="1033" Version="1.0.0"
           Manufacturer="Orvanta" UpgradeCode="{{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5EF}}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Condition Message="The legacy bridge needs a system that is no longer supported.">0</Condition>
    <Media Id="1" Cabinet="data.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir"><Directory Id="ProgramFilesFolder"/></Directory>
    <Feature Id="Main" Level="1"/>
  </Product>
</Wix>
"""


def build_package(dist: Distribution, scratch: Path, stem: str, wxs: str) -> str:
    """Builds <stem>.msi from the source into the distribution's Packages folder; answers its Location."""
    source = scratch / f"{stem}.wxs"
    source.write_text(wxs)
    subprocess.run(["wixl", "-o", str(dist.dir / "Packages" / f"{stem}.msi"), str(source)], check=True)
    return f"[WORKINGDIRECTORY]\\Packages\\{stem}.msi"


def build_failing_package(dist: Distribution, scratch: Path) -> str:
    return build_package(dist, scratch, "UvarudLegacyBridge", FAILING_WXS)


DOTNET_LINK = "{DotNet472WebInstallerUrl}"  # the variables-list name of the .NET 4.7.2 web installer link


class Vendor:
    """An HTTP server on 127.0.0.1:80 that serves exitwith.exe as every installer it is asked for,
    and answers 404 for paths under /missing/."""

    def __init__(self, port=80, certificate=None):
        payload = (BIN / "exitwith.exe").read_bytes()
        self.requests = []
        vendor = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                vendor.requests.append(self.path)
                if self.path.startswith("/missing/"):
                    self.send_error(404, "Not Found")
                    return
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(len(payload)))
                self.end_headers()
                self.wfile.write(payload)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        if certificate:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(certificate)
            self.server.socket = context.wrap_socket(self.server.socket, server_side=True)
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        """Stops serving (again harmless): the vendor's site is gone."""
        if self.thread.is_alive():
            self.server.shutdown()
        self.server.server_close()


def serve_vendor():
    """A Vendor for a fixture to yield from: skipped where port 80 cannot be had, closed after."""
    try:
        server = Vendor()
    except OSError as error:  # port 80 needs the rights CI has
        pytest.skip(f"cannot listen on 127.0.0.1:80: {error}")
    yield server
    server.close()


def with_dotnet(dist, link, sha256=None):
    """The definition asks for .NET 4.7.2 first; the variables list points its download at link
    (and gives its SHA-256 when one is given)."""
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text().replace('NETFramework="4.8"', 'NETFramework="4.7.2"')
    text = text.replace("  <PrerequisiteFileGroup>", """  <PrerequisiteFileGroup>
    <PrerequisiteFile><Order>1</Order><Name>.NET Framework</Name><Custom>.NET 4</Custom></PrerequisiteFile>
  </PrerequisiteFileGroup>
  <PrerequisiteFileGroup>""", 1)
    definition.write_text(text)
    settings = f'  <ConfigVariable Name="{DOTNET_LINK}" value="{link}" />\n'
    if sha256 is not None:
        settings += f'  <ConfigVariable Name="{DOTNET_LINK[:-1]}Sha256}}" value="{sha256}" />\n'
    variables = dist.dir / "VariablesList.xml"
    variables.write_text(variables.read_text().replace("</Variables>", settings + "</Variables>"))


def exitwith_sha256():
    return hashlib.sha256((BIN / "exitwith.exe").read_bytes()).hexdigest()


def download_folder(prefix, windows=False):
    """The first download folder a run makes under the temporary folder (its host path, or the
    Windows one)."""
    temp = subprocess.run(["wine", "cmd", "/c", "echo", "%TEMP%"], env=prefix.env, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=60).stdout.decode().strip().splitlines()[-1]
    path = temp.rstrip("\\") + "\\ZEMDownload"
    return path if windows else prefix.host_path(path)
