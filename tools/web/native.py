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


def menu_pictures(binary, count=24, frames_apart=6, keep_first=None, runner=(), env=None, folder=None,
                  session_end=None):
    """The main menu of a first start, `count` times, `frames_apart` frames
    apart, as virtual pictures: the crab's four standing frames several
    times over, and over twenty of the grain's steps, so that the range each
    grained pixel went over is nearly its whole +-6 %. keep_first: where to save the
    first window picture as a PNG. runner, env and folder start another build
    the same way (Windows' under Wine, in its unzipped folder); session_end is
    called before the session closes."""
    own = folder is None
    folder = game_folder() if own else folder
    try:
        with Session() as session:
            app = session.start([*runner, binary], cwd=folder, env_extra=env)
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
            if session_end:
                session_end()
            return pictures
    finally:
        if own:
            shutil.rmtree(folder, ignore_errors=True)


CRAB = (225, 0, 64, 64)  # the menu's crab, standing in one of four frames


def differences(picture, references, tol=8, moments=(CRAB,)):
    """The virtual pixels of `picture` unlike the references. Inside each
    box of `moments` (a sprite's frames) the picture must match one
    reference, the likest there: the same moment. Elsewhere each channel
    must lie within what the references showed at that pixel, from least to
    greatest, widened by tol: where they agree (all that stands still) that
    is their one value; where they do not (the buttons' grain, which steps
    nine times a second, and the FPS counter) the range it went over."""
    def unlike(i, refs):
        return any(not (min(r[i + c] for r in refs) - tol <= picture.rgb[i + c] <= max(r[i + c] for r in refs) + tol)
                   for c in range(3))

    def inside(x, y, box):
        return box[0] <= x < box[0] + box[2] and box[1] <= y < box[1] + box[3]

    width, height = picture.width, picture.height
    out = []
    for box in moments:
        points = [(x, y) for y in range(box[1], box[1] + box[3]) for x in range(box[0], box[0] + box[2])
                  if x < width and y < height]
        out += min(([p for p in points if unlike((p[1] * width + p[0]) * 3, [r.rgb])] for r in references), key=len)
    refs = [r.rgb for r in references]
    out += [(x, y) for y in range(height) for x in range(width)
            if not any(inside(x, y, box) for box in moments) and unlike((y * width + x) * 3, refs)]
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
