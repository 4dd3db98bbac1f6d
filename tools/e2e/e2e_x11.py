"""Sends a window the WM_DELETE_WINDOW request that a window manager's close
button sends, through libX11 via ctypes.

Run as a script (`e2e_x11.py delete WINDOW_ID`, DISPLAY from the environment)
so that Xlib's default error handlers, which exit the process, can only end
this short-lived child and never the test run. `xdotool windowclose` is no
substitute: it destroys the window, which a program sees as a lost window
rather than a request to quit.

Also reads a window's pixels in the calling process (capture), with an error
handler that only notes errors."""

import ctypes
import ctypes.util
import sys

CLIENT_MESSAGE = 33  # X11 event type ClientMessage
NO_EVENT_MASK = 0
CURRENT_TIME = 0


class XClientMessageEvent(ctypes.Structure):
    """Xlib's XClientMessageEvent, with the data union read as five longs."""
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("l", ctypes.c_long * 5),
    ]


class XEvent(ctypes.Union):
    """Xlib's XEvent union: XSendEvent copies a full XEvent, so pad to its size."""
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def _libx11():
    name = ctypes.util.find_library("X11") or "libX11.so.6"
    lib = ctypes.CDLL(name)
    lib.XOpenDisplay.restype = ctypes.c_void_p
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XInternAtom.restype = ctypes.c_ulong
    lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    lib.XSendEvent.restype = ctypes.c_int
    lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return lib


def send_delete_window(window_id):
    """Sends WM_PROTOCOLS/WM_DELETE_WINDOW to the window; returns 0 on success."""
    x = _libx11()
    display = x.XOpenDisplay(None)
    if not display:
        print("cannot open the X display", file=sys.stderr)
        return 2
    try:
        event = XEvent()
        event.xclient.type = CLIENT_MESSAGE
        event.xclient.window = window_id
        event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.l[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.l[1] = CURRENT_TIME
        if not x.XSendEvent(display, window_id, 0, NO_EVENT_MASK, ctypes.byref(event)):
            print("XSendEvent refused the event", file=sys.stderr)
            return 1
        # XSync rather than XFlush so a bad window id surfaces as an error here.
        x.XSync(display, 0)
        return 0
    finally:
        x.XCloseDisplay(display)


# -- screenshots, in the test's own process ------------------------------------
# A screenshot is taken at every poll of a waiting test; ImageMagick's import
# costs a process start and about 20 ms of CPU each time, which the game under
# test and the other tests of a parallel ctest would rather have. Here the
# default error handler, which would end the test run, is replaced by one that
# only notes the error, and a capture with an error gives None.

Z_PIXMAP = 2
ALL_PLANES = ctypes.c_ulong(-1).value


class XImage(ctypes.Structure):
    """The leading fields of Xlib's XImage, up to the colour masks."""
    _fields_ = [
        ("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
        ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
        ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
        ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
    ]


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_capture = {"lib": None, "errors": 0}


@_ERROR_HANDLER
def _note_error(display, event):
    _capture["errors"] += 1
    return 0


def _capture_lib():
    if _capture["lib"] is None:
        x = _libx11()
        x.XSetErrorHandler.restype = ctypes.c_void_p
        x.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
        x.XSetErrorHandler(_note_error)
        uint = ctypes.POINTER(ctypes.c_uint)
        x.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int), uint, uint, uint, uint]
        x.XGetImage.restype = ctypes.POINTER(XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        _capture["lib"] = x
    return _capture["lib"]


def capture(display_name, window_id):
    """(width, height, RGB bytes) of the window's pixels as XGetImage reads
    them, or None when that fails or gives a format other than 32-bit
    little-endian 0xRRGGBB (the caller then takes another way)."""
    x = _capture_lib()
    display = x.XOpenDisplay(display_name.encode())
    if not display:
        return None
    try:
        _capture["errors"] = 0
        root, px, py = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_int()
        w, h, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        if not x.XGetGeometry(display, window_id, ctypes.byref(root), ctypes.byref(px), ctypes.byref(py),
                              ctypes.byref(w), ctypes.byref(h), ctypes.byref(border), ctypes.byref(depth)):
            return None
        image = x.XGetImage(display, window_id, 0, 0, w.value, h.value, ALL_PLANES, Z_PIXMAP)
        x.XSync(display, 0)
        if not image or _capture["errors"]:
            return None
        try:
            im = image.contents
            if (im.bits_per_pixel != 32 or im.byte_order != 0 or im.depth != 24 or im.red_mask != 0xFF0000
                    or im.green_mask != 0xFF00 or im.blue_mask != 0xFF or im.width != w.value
                    or im.height != h.value):
                return None
            stride, width = im.bytes_per_line, im.width
            raw = ctypes.string_at(im.data, stride * im.height)
        finally:
            x.XDestroyImage(image)
        if stride != 4 * width:
            raw = b"".join(raw[r * stride:r * stride + 4 * width] for r in range(h.value))
        rgb = bytearray(3 * width * h.value)
        rgb[0::3], rgb[1::3], rgb[2::3] = raw[2::4], raw[1::4], raw[0::4]  # memory holds B, G, R, unused
        return width, h.value, bytes(rgb)
    finally:
        x.XCloseDisplay(display)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "delete":
        print("usage: e2e_x11.py delete WINDOW_ID", file=sys.stderr)
        sys.exit(2)
    sys.exit(send_delete_window(int(sys.argv[2], 0)))
