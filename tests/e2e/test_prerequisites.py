"""Prerequisites in real silent runs: a file prerequisite from the sample, and the .NET Framework
fetched from a local stand-in for the vendor's download server."""
import hashlib
import shutil
import subprocess

import pytest

from wine import (RUNTIME, SAMPLE_PRODUCTS, Vendor, assert_untouched, download_folder, exitwith_sha256, log_folder,
                  plant_link, read_log, run_setup, uninstall_all, with_dotnet)

RIZOD_SERVER = SAMPLE_PRODUCTS["RizodServer"]
ENVIRONMENT_KEY = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment"


def test_a_file_prerequisite_installs_before_the_products(prefix, dist):
    uninstall_all(prefix, [RUNTIME])
    code, lines = run_setup(prefix, dist, "/q")
    assert code == 0, "\n".join(lines)
    assert prefix.product_state(RUNTIME) == 5
    runtime = lines.index("Installing C:\\dist\\Packages\\OrvantaRuntime.msi returned 0")
    assert runtime < lines.index("Installing C:\\dist\\Packages\\RizodServer.msi returned 0.")
    assert (log_folder(prefix) / "OrvantaRuntime_Install.log").stat().st_size > 0
    uninstall_all(prefix, [RUNTIME])


def test_dotnet_is_downloaded_run_and_cleaned_up(prefix, dist, vendor):
    uninstall_all(prefix, [RUNTIME])
    record = prefix.host_path("C:\\installer.log")
    record.unlink(missing_ok=True)
    prefix.env["EXITWITH_LOG"] = "C:\\installer.log"
    try:
        with_dotnet(dist, "http://127.0.0.1/dotnet/NDP472-KB4054531-Web.exe")
        code, lines = run_setup(prefix, dist, "/q")
    finally:
        del prefix.env["EXITWITH_LOG"]
    assert code == 0, "\n".join(lines)
    assert "/dotnet/NDP472-KB4054531-Web.exe" in vendor.requests
    assert record.read_text().strip().endswith("/q /lcid 1033 /norestart")
    assert "Download successful" in lines
    assert not download_folder(prefix).exists()
    assert prefix.product_state(RIZOD_SERVER) == 5
    uninstall_all(prefix, [RUNTIME])


def test_a_missing_download_fails_with_the_http_status(prefix, dist, vendor):
    uninstall_all(prefix, [RUNTIME])
    with_dotnet(dist, "http://127.0.0.1/missing/NDP472-KB4054531-Web.exe")
    code, lines = run_setup(prefix, dist, "/q")
    assert code == 404, "\n".join(lines)
    assert "HttpSendRequest returned status code 404" in lines
    assert "Installing prerequisite failed." in lines
    assert "Result text is Not Found" in lines
    assert prefix.product_state(RIZOD_SERVER) == -1
    assert not download_folder(prefix).exists()


def test_a_framework_that_needs_a_reboot_sets_the_machine_flag(prefix, dist, vendor):
    uninstall_all(prefix, [RUNTIME])
    prefix.env["EXITWITH_CODE"] = "3010"
    try:
        with_dotnet(dist, "http://127.0.0.1/dotnet/NDP472-KB4054531-Web.exe")
        code, lines = run_setup(prefix, dist, "/q")
    finally:
        del prefix.env["EXITWITH_CODE"]
    assert code == 103010, "\n".join(lines)
    assert "Setting ZEM-REBOOT-REQUIRED environment variable to true." in lines
    assert "Result text is Installation of Microsoft .NET Framework 4.7.2 requires a reboot of your computer." in lines
    query = subprocess.run(["wine", "reg", "query", ENVIRONMENT_KEY, "/v", "ZEM-REBOOT-REQUIRED"], env=prefix.env,
                           stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    assert "true" in query.stdout.decode()
    assert prefix.product_state(RIZOD_SERVER) == -1
    subprocess.run(["wine", "reg", "delete", ENVIRONMENT_KEY, "/v", "ZEM-REBOOT-REQUIRED", "/f"], env=prefix.env,
                   stdin=subprocess.DEVNULL, capture_output=True, timeout=60)


@pytest.fixture
def untrusted_vendor(tmp_path):
    """The vendor over TLS on 127.0.0.1:443 with a self-signed certificate nobody trusts."""
    pem = tmp_path / "server.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                    "/CN=127.0.0.1", "-keyout", str(pem), "-out", str(pem)], check=True, capture_output=True,
                   timeout=60)
    try:
        server = Vendor(443, pem)
    except OSError as error:
        pytest.skip(f"cannot listen on 127.0.0.1:443: {error}")
    yield server
    server.close()


def test_an_https_download_with_an_untrusted_certificate_fails(prefix, dist, untrusted_vendor):
    uninstall_all(prefix, [RUNTIME])
    with_dotnet(dist, "https://127.0.0.1/dotnet/NDP472-KB4054531-Web.exe")
    code, lines = run_setup(prefix, dist, "/q")
    failed = [l for l in lines if l.startswith("HttpSendRequest /dotnet/NDP472-KB4054531-Web.exe failed")]
    assert code != 0 and failed, "\n".join(lines)
    assert untrusted_vendor.requests == []   # no request got through the refused handshake
    assert "Installing prerequisite failed." in lines
    assert not download_folder(prefix).exists()


def make_test_authority(folder):
    """A certificate authority of the tests and a server certificate for 127.0.0.1 it signed:
    (the authority's DER bytes, the server's PEM file with its key)."""
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True, timeout=60, cwd=folder)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Setup Tests Root",
            "-keyout", "ca.key", "-out", "ca.pem", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", "server.key",
            "-out", "server.csr")
    (folder / "server.ext").write_text("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\n"
                                       "extendedKeyUsage=serverAuth\nsubjectAltName=DNS:127.0.0.1,IP:127.0.0.1\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-days", "2",
            "-sha256", "-extfile", "server.ext", "-out", "server.crt")
    openssl("x509", "-in", "ca.pem", "-outform", "der", "-out", "ca.der")
    pem = folder / "server.pem"
    pem.write_bytes((folder / "server.crt").read_bytes() + (folder / "server.key").read_bytes())
    return (folder / "ca.der").read_bytes(), pem


def root_store_key(der):
    """The machine's root store in the registry, where Wine's crypt32 (like Windows) finds each
    trusted authority under its SHA-1 thumbprint."""
    return "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + hashlib.sha1(der).hexdigest().upper()


@pytest.fixture
def trusted_vendor(prefix, tmp_path):
    """The vendor over TLS on 127.0.0.1:443 with a certificate from an authority the prefix trusts."""
    der, pem = make_test_authority(tmp_path)
    # The blob is a serialized certificate: property 32 (the encoded certificate), flag 1, length.
    blob = (32).to_bytes(4, "little") + (1).to_bytes(4, "little") + len(der).to_bytes(4, "little") + der
    key = root_store_key(der)
    prefix.reg_add(key, "Blob", blob.hex(), kind="REG_BINARY")
    try:
        server = Vendor(443, pem)
    except OSError as error:
        pytest.skip(f"cannot listen on 127.0.0.1:443: {error}")
    yield server
    server.close()
    prefix._run(["wine", "reg", "delete", key, "/f"])


def test_an_https_download_from_a_trusted_authority_installs(prefix, dist, trusted_vendor):
    uninstall_all(prefix, [RUNTIME])
    with_dotnet(dist, "https://127.0.0.1/dotnet/NDP472-KB4054531-Web.exe", exitwith_sha256().upper())
    code, lines = run_setup(prefix, dist, "/q")
    assert code == 0, "\n".join(lines)
    assert trusted_vendor.requests == ["/dotnet/NDP472-KB4054531-Web.exe"]
    assert "Download successful" in lines
    assert not download_folder(prefix).exists()
    assert prefix.product_state(RIZOD_SERVER) == 5
    uninstall_all(prefix, [RUNTIME])


def test_a_download_with_another_sha256_is_deleted_and_never_run(prefix, dist, vendor):
    uninstall_all(prefix, [RUNTIME])
    record = prefix.host_path("C:\\installer.log")
    record.unlink(missing_ok=True)
    prefix.env["EXITWITH_LOG"] = "C:\\installer.log"
    wrong = hashlib.sha256(b"another installer").hexdigest()
    try:
        with_dotnet(dist, "http://127.0.0.1/dotnet/NDP472-KB4054531-Web.exe", wrong)
        code, lines = run_setup(prefix, dist, "/q")
    finally:
        del prefix.env["EXITWITH_LOG"]
    assert code == 13, "\n".join(lines)  # ERROR_INVALID_DATA
    refused = [l for l in lines if l.startswith("The SHA-256 of ") and l.endswith(f"not {wrong} as given: the download is refused")]
    assert refused and exitwith_sha256() in refused[0], "\n".join(lines)
    assert any(l.startswith("Deleted refused download ") for l in lines)
    assert "Installing prerequisite failed." in lines
    assert not record.exists(), "the refused file never ran"
    assert not download_folder(prefix).exists()
    assert prefix.product_state(RIZOD_SERVER) == -1


def test_links_planted_for_the_download_and_restart_folders_are_not_followed(prefix, dist, vendor):
    """The download folder and the restart copy's folder (below the log folder) are each a link to
    another user's folder: the .NET installer is fetched into a folder of this run's own, and the
    log folder holding the link gives way to a fresh one."""
    uninstall_all(prefix, [RUNTIME])
    shutil.rmtree(log_folder(prefix), ignore_errors=True)
    downloads = plant_link(prefix, download_folder(prefix, windows=True))
    restart = plant_link(prefix, "C:\\Temp\\DEVadirez\\Restart")
    temp = prefix.host_path("C:\\Temp")
    before = set(temp.glob("DEVadirez.*"))
    prefix.env["EXITWITH_CODE"] = "3010"
    try:
        with_dotnet(dist, "http://127.0.0.1/dotnet/NDP472-KB4054531-Web.exe")
        code = dist.run("/q")
        made = set(temp.glob("DEVadirez.*")) - before
        assert len(made) == 1, made
        folder = made.pop()
        lines = read_log(folder / "Setup.log")
        fresh = "C:\\Temp\\" + folder.name
        assert code == 103010, "\n".join(lines)
        assert "C:\\Temp\\DEVadirez holds a link; it is left as it is; " + fresh + " is used instead" in lines
        assert "Download successful" in lines
        assert any(l.startswith("Downloading ") and "ZEMDownload.1\\" in l for l in lines), lines
        assert_untouched(downloads)
        assert_untouched(restart)
    finally:
        del prefix.env["EXITWITH_CODE"]
        for link in (download_folder(prefix), prefix.host_path("C:\\Temp\\DEVadirez\\Restart")):
            link.unlink(missing_ok=True)
        for folder in set(temp.glob("DEVadirez.*")) - before:
            shutil.rmtree(folder)
        subprocess.run(["wine", "reg", "delete", ENVIRONMENT_KEY, "/v", "ZEM-REBOOT-REQUIRED", "/f"], env=prefix.env,
                       stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
