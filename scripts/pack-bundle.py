#!/usr/bin/env python3
"""Packs a distribution folder into one self-extracting setup:

    pack-bundle.py --stub bundle_stub.exe DIST_FOLDER OUTPUT.exe

The output is the stub program followed by the folder as a standard cabinet (made with gcab when it
is installed, otherwise by this script itself, MSZIP-compressed), a manifest with the SHA-256 and
size of every file and of the cabinet, and a fixed-size trailer that tells the stub where they lie.
Sign the output afterwards if you sign: the certificate table goes after the trailer.
Python 3 standard library only; runs on Linux and Windows."""
import argparse
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path

MAGIC = b"ZEMBNDL1"
HEADER = "ZEM bundle manifest 1"
BLOCK = 32768  # a cabinet data block holds at most this many uncompressed bytes


def distribution_files(folder: Path):
    """(cabinet name, path) of every file below the folder, sorted; links are refused."""
    files = []
    for path in sorted(folder.rglob("*")):
        if path.is_symlink():
            raise SystemExit(f"pack-bundle: {path} is a link; copy what it points to instead")
        if path.is_file():
            files.append(("\\".join(path.relative_to(folder).parts), path))
    if not any(name.lower() == "setup.exe" for name, _ in files):
        raise SystemExit(f"pack-bundle: {folder} holds no setup.exe")
    return files


def cabinet_with_gcab(folder: Path, files) -> bytes:
    with tempfile.TemporaryDirectory() as scratch:
        cab = Path(scratch) / "payload.cab"
        names = [str(path.relative_to(folder)) for _, path in files]
        subprocess.run(["gcab", "-c", "-z", str(cab), *names], cwd=folder, check=True,
                       stdout=subprocess.DEVNULL)
        return cab.read_bytes()


def cabinet_from_entries(entries, compress=True) -> bytes:
    """A one-folder cabinet of (name, bytes) entries, names stored as given (UTF-8 flagged when not
    ASCII). Each MSZIP block is a complete deflate stream, which every reader accepts."""
    data = b"".join(content for _, content in entries)
    if len(data) >= 1 << 31:
        raise SystemExit("pack-bundle: a cabinet folder holds less than 2 GiB; use gcab")
    blocks = []
    for start in range(0, max(len(data), 1), BLOCK):
        raw = data[start:start + BLOCK]
        if compress:
            packer = zlib.compressobj(9, zlib.DEFLATED, -15)
            stored = b"CK" + packer.compress(raw) + packer.flush()
        else:
            stored = raw
        blocks.append(struct.pack("<IHH", 0, len(stored), len(raw)) + stored)
    file_records = []
    offset = 0
    for name, content in entries:
        encoded = name.encode("utf-8")
        attributes = 0x20 | (0x80 if not name.isascii() else 0)  # archive, name is UTF-8
        file_records.append(struct.pack("<IIHHHH", len(content), offset, 0, 0x5821, 0, attributes) + encoded + b"\0")
        offset += len(content)
    files_at = 36 + 8
    data_at = files_at + sum(len(r) for r in file_records)
    total = data_at + sum(len(b) for b in blocks)
    header = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, total, 0, files_at, 0, 3, 1, 1, len(entries), 0, 0, 0)
    folder = struct.pack("<IHH", data_at, len(blocks), 1 if compress else 0)
    return header + folder + b"".join(file_records) + b"".join(blocks)


def manifest_text(cabinet: bytes, records) -> bytes:
    """records: (name, size, sha256 hex) per file."""
    lines = [HEADER, f"cabinet {hashlib.sha256(cabinet).hexdigest()} {len(cabinet)}"]
    lines += [f"file {digest} {size} {name}" for name, size, digest in records]
    return ("\n".join(lines) + "\n").encode("utf-8")


def assemble(stub: bytes, cabinet: bytes, manifest: bytes) -> bytes:
    """stub, zero padding to 8, cabinet, manifest (padded with blank lines so the whole file stays a
    multiple of 8 bytes and a signing tool adds no padding of its own), trailer."""
    head = stub + b"\0" * (-len(stub) % 8)
    manifest += b"\n" * (-(len(head) + len(cabinet) + len(manifest)) % 8)
    trailer = struct.pack("<QQQ", len(head), len(cabinet), len(manifest)) + hashlib.sha256(manifest).digest() + MAGIC
    return head + cabinet + manifest + trailer


def pack(stub: Path, folder: Path, output: Path, use_gcab=None):
    files = distribution_files(folder)
    if use_gcab is None:
        use_gcab = shutil.which("gcab") is not None
    if use_gcab:
        cabinet = cabinet_with_gcab(folder, files)
    else:
        cabinet = cabinet_from_entries([(name, path.read_bytes()) for name, path in files])
    records = []
    for name, path in files:
        digest = hashlib.sha256()
        with open(path, "rb") as f:
            for piece in iter(lambda: f.read(1 << 20), b""):
                digest.update(piece)
        records.append((name, path.stat().st_size, digest.hexdigest()))
    data = assemble(stub.read_bytes(), cabinet, manifest_text(cabinet, records))
    partial = output.with_name(output.name + ".part")
    partial.write_bytes(data)
    os.replace(partial, output)  # never a half-written bundle under the final name


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--stub", required=True, type=Path, help="bundle_stub.exe of the target architecture")
    parser.add_argument("--builtin-cabinet", action="store_true", help="make the cabinet without gcab")
    parser.add_argument("folder", type=Path, help="the distribution folder (setup.exe and all beside it)")
    parser.add_argument("output", type=Path, help="the one-file setup to write")
    args = parser.parse_args()
    pack(args.stub, args.folder, args.output, use_gcab=False if args.builtin_cabinet else None)
    print(f"pack-bundle: {args.output} ({args.output.stat().st_size} bytes)")


if __name__ == "__main__":
    sys.exit(main())
