"""The native game's pictures, for comparing the web build against: the real
binary in the end-to-end harness's private display, at its default 600x450
window, sampled at the virtual pixels the same way as the page's canvas."""

import os
import shutil
import tempfile

from webpage import ROOT, VIRTUAL  # also puts tools/e2e on the path

from e2e_image import Shot  # noqa: E402
from harness import Session  # noqa: E402

WHITE = (255, 255, 255)
TITLE = (10, 10, 200, 40)  # the main menu's white title, virtual pixels


def binary_from_env():
    return os.environ.get("TALLOWFEN_BINARY") or os.path.join(ROOT, "build", "src", "tallowfen")


def game_folder():
    """A working folder as the game expects it: shipped files, empty saves."""
    folder = tempfile.mkdtemp(prefix="tallowfen-native-")
    for name in ("assets", "shaders"):
        os.symlink(os.path.join(ROOT, name), os.path.join(folder, name))
    os.mkdir(os.path.join(folder, "data"))
    for name in ("map", "maprender"):
        shutil.copy(os.path.join(ROOT, "data", name), os.path.join(folder, "data", name))
    return folder


def sample_virtual(shot):
    """One sample a virtual pixel, at its centre, from a letterboxed window
    picture whose size is the virtual screen's scaled (600x450: by 1.875)."""
    vw, vh = VIRTUAL
    sx, sy = shot.width / vw, shot.height / vh
    rgb = bytearray(vw * vh * 3)
    for y in range(vh):
        for x in range(vw):
            r, g, b = shot.pixel(int(x * sx + sx / 2), int(y * sy + sy / 2))
            o = (y * vw + x) * 3
            rgb[o:o + 3] = bytes((r, g, b))
    return Shot(vw, vh, bytes(rgb))


def menu_pictures(binary, count=12, frames_apart=6, keep_first=None):
    """The main menu of a first start, `count` times, `frames_apart` frames
    apart (enough to cover the crab's four standing frames and several of
    the grain's steps), as virtual pictures. keep_first: where to save the
    first window picture as a PNG."""
    folder = game_folder()
    try:
        with Session() as session:
            app = session.start([binary], cwd=folder)
            win = app.window("Tallowfen", timeout=20)
            app.wait_frames(3)
            if win.size() != (600, 450):
                raise AssertionError(f"the native window is {win.size()}, not its default 600x450")
            while sample_virtual(win.screenshot()).count(WHITE, box=TITLE) < 100:
                app.wait_frames(2)
            app.wait_frames(60)  # the FPS counter averages its first frames in
            pictures = []
            for i in range(count):
                app.wait_frames(frames_apart)
                shot = win.screenshot(keep_first if i == 0 and keep_first else None)
                pictures.append(sample_virtual(shot))
            win.close()
            app.wait(10)
            return pictures
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def differences(picture, references, tol=8):
    """The virtual pixels of `picture` outside what the references showed
    there: per channel, from their least to their greatest value, widened by
    tol. Where the references agree (all that stands still) that is the one
    value; where they do not (what animates) it is the range it went over."""
    out = []
    n = picture.width * picture.height
    refs = [r.rgb for r in references]
    for i in range(n):
        for c in range(3):
            k = i * 3 + c
            values = [r[k] for r in refs]
            if not (min(values) - tol <= picture.rgb[k] <= max(values) + tol):
                out.append((i % picture.width, i // picture.width))
                break
    return out


def animated(references, tol=8):
    """How many virtual pixels change among the references by more than tol."""
    moving = 0
    for i in range(references[0].width * references[0].height):
        for c in range(3):
            values = [r.rgb[i * 3 + c] for r in references]
            if max(values) - min(values) > tol:
                moving += 1
                break
    return moving
