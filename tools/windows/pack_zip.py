#!/usr/bin/env python3
"""Packs the Windows build: the stripped program, the files it reads
(assets/, shaders/, data/map and data/maprender) and README.txt, under one
folder named like the zip, so unzipping never spills files around.

    python3 tools/windows/pack_zip.py --exe EXE --root REPO --zip OUT.zip [--strip TOOL]
"""
import argparse
import pathlib
import shutil
import subprocess
import tempfile
import zipfile

SHIPPED_DIRS = ("assets", "shaders")
SHIPPED_DATA = ("data/map", "data/maprender")
README = pathlib.Path(__file__).resolve().parents[2] / "packaging/windows/README.txt"


def shipped_files(root):
    """(path in the zip, path on disk) for every file the game reads."""
    files = []
    for folder in SHIPPED_DIRS:
        for path in sorted((root / folder).rglob("*")):
            if path.is_file():
                files.append((path.relative_to(root).as_posix(), path))
    files += [(name, root / name) for name in SHIPPED_DATA]
    return files


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True, type=pathlib.Path)
    parser.add_argument("--root", required=True, type=pathlib.Path)
    parser.add_argument("--zip", required=True, type=pathlib.Path)
    parser.add_argument("--strip")
    args = parser.parse_args()
    top = args.zip.stem
    with tempfile.TemporaryDirectory() as work:
        exe = pathlib.Path(work) / "tallowfen.exe"
        shutil.copyfile(args.exe, exe)
        if args.strip:
            subprocess.run([args.strip, "--strip-unneeded", str(exe)], check=True)
        entries = [("tallowfen.exe", exe), ("README.txt", README)] + shipped_files(args.root)
        args.zip.unlink(missing_ok=True)
        with zipfile.ZipFile(args.zip, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
            for name, path in entries:
                archive.write(path, f"{top}/{name}")
    print(f"{args.zip} ({args.zip.stat().st_size / 1e6:.1f} MB)")


if __name__ == "__main__":
    main()
