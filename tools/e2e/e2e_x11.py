"""Sends a window the WM_DELETE_WINDOW request that a window manager's close
button sends, through libX11 via ctypes.

Run as a script (`e2e_x11.py delete WINDOW_ID`, DISPLAY from the environment)
so that Xlib's default error handlers, which exit the process, can only end
this short-lived child and never the test run. `xdotool windowclose` is no
substitute: it destroys the window, which a program sees as a lost window
rather than a request to quit."""

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


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "delete":
        print("usage: e2e_x11.py delete WINDOW_ID", file=sys.stderr)
        sys.exit(2)
    sys.exit(send_delete_window(int(sys.argv[2], 0)))
