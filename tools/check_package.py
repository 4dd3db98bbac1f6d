#!/usr/bin/python3
"""Checks the game's install and its packages with Debian's own validators.

    python3 tools/check_package.py BUILD_DIR [--deb FILE | --fresh-deb]

Installs BUILD_DIR into a scratch folder and fails unless exactly the game's
files land there, the desktop entry passes desktop-file-validate, the
AppStream file passes `appstreamcli validate --no-net` and the manual page
formats, all without a warning. With --deb (a package already built) or
--fresh-deb (run cpack into the scratch folder) lintian checks the .deb too,
when it is installed: an error or a warning fails, infos are printed.
"""

import argparse
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
APP_ID = "io.github.tallowfen.Tallowfen"
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def expected_files():
    """Every path the install must produce, relative to the prefix."""
    shipped = [p.relative_to(REPO) for folder in ("assets", "shaders")
               for p in (REPO / folder).rglob("*") if p.is_file()]
    files = {f"share/tallowfen/{p}" for p in shipped}
    files |= {"bin/tallowfen", "share/tallowfen/data/map", "share/tallowfen/data/maprender",
              f"share/applications/{APP_ID}.desktop", f"share/metainfo/{APP_ID}.metainfo.xml",
              "share/man/man6/tallowfen.6.gz", "share/doc/tallowfen/copyright",
              "share/doc/tallowfen/changelog.gz"}
    files |= {f"share/icons/hicolor/{n}x{n}/apps/tallowfen.png" for n in ICON_SIZES}
    return files


def run(command, problems, what, quiet_ok=True):
    """Run a validator; anything it prints (or a failure) is a problem."""
    if not shutil.which(command[0]):
        problems.append(f"{what}: {command[0]} is not installed (scripts/setup.sh installs it "
                        f"with TALLOWFEN_PACKAGES=test)")
        return ""
    result = subprocess.run(command, capture_output=True, text=True)
    output = (result.stdout + result.stderr).strip()
    print(f"$ {' '.join(map(str, command))}\n{output}")
    noisy = quiet_ok and output and not output.startswith("✔")
    if result.returncode != 0 or noisy:
        problems.append(f"{what}: {output or 'exit ' + str(result.returncode)}")
    return output


def check_install(build, scratch, problems):
    prefix = scratch / "usr"
    subprocess.run(["cmake", "--install", str(build), "--prefix", str(prefix)],
                   check=True, capture_output=True)
    found = {str(p.relative_to(prefix)) for p in prefix.rglob("*") if not p.is_dir()}
    for path in sorted(found - expected_files()):
        problems.append(f"installed but not the game's: {path}")
    for path in sorted(expected_files() - found):
        problems.append(f"not installed: {path}")
    run(["desktop-file-validate", prefix / f"share/applications/{APP_ID}.desktop"], problems,
        "desktop entry")
    run(["appstreamcli", "validate", "--no-net", "--explain",
         prefix / f"share/metainfo/{APP_ID}.metainfo.xml"], problems, "metainfo")
    if shutil.which("man"):
        # the check lintian makes of a manual page: groff's warnings go to stderr
        result = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
                                 prefix / "share/man/man6/tallowfen.6.gz"],
                                capture_output=True, text=True)
        if result.returncode != 0 or result.stderr.strip():
            problems.append(f"manual page: {result.stderr.strip() or 'exit ' + str(result.returncode)}")


def check_deb(deb, problems):
    if not shutil.which("lintian"):
        print("lintian is not installed: the .deb is not checked")
        return
    output = run(["lintian", "--info", "--display-info", "--pedantic", deb], problems, "lintian",
                 quiet_ok=False)
    problems.extend(f"lintian: {line}" for line in output.splitlines() if line[:2] in ("E:", "W:"))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", type=Path)
    group = parser.add_mutually_exclusive_group()
    group.add_argument("--deb", type=Path, help="a .deb already built")
    group.add_argument("--fresh-deb", action="store_true", help="build the .deb with cpack first")
    args = parser.parse_args(argv)
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        check_install(args.build.resolve(), Path(scratch), problems)
        deb = args.deb
        if args.fresh_deb:
            subprocess.run(["cpack", "-G", "DEB", "-B", str(Path(scratch) / "packages")],
                           cwd=args.build, check=True, capture_output=True)
            deb = next((Path(scratch) / "packages").glob("*.deb"))
        if deb:
            check_deb(deb, problems)
    for problem in problems:
        print(f"problem: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
