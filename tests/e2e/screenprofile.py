"""Publishing a colour profile for the X screen, as a colour manager does:
the root window's _ICC_PROFILE property (Xlib through ctypes)."""
import ctypes
import ctypes.util


def set_screen_profile(icc):
    """Sets the profile (bytes), or removes it (None)."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                    ctypes.c_int, ctypes.c_char_p, ctypes.c_int]
    x11.XDeleteProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    root = x11.XDefaultRootWindow(display)
    atom = x11.XInternAtom(display, b"_ICC_PROFILE", 0)
    if icc is None:
        x11.XDeleteProperty(display, root, atom)
    else:
        cardinal, replace = 6, 0
        x11.XChangeProperty(display, root, atom, cardinal, 8, replace, icc, len(icc))
    x11.XCloseDisplay(display)
