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


def measured_srgb_profile(entries):
    """An sRGB screen's profile as a calibration tool writes one: its curves
    measured, as tables of `entries` values each (a profile of 6 x entries
    bytes and more), which shows pictures as the standard sRGB one does."""
    import struct

    def fixed(value):
        return struct.pack(">i", round(value * 65536))

    def xyz(x, y, z):
        return b"XYZ " + b"\0" * 4 + fixed(x) + fixed(y) + fixed(z)

    def srgb(v):
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4

    curve = b"curv" + b"\0" * 4 + struct.pack(">I", entries) + b"".join(
        struct.pack(">H", round(srgb(i / (entries - 1)) * 65535)) for i in range(entries))
    name = b"measured sRGB\0"
    desc = (b"desc" + b"\0" * 4 + struct.pack(">I", len(name)) + name + struct.pack(">II", 0, 0)
            + struct.pack(">HB", 0, 0) + b"\0" * 67)
    # The sRGB colorants, adapted to D50 as ICC profiles hold them.
    tags = [(b"desc", desc), (b"wtpt", xyz(0.9642, 1.0, 0.8249)),
            (b"rXYZ", xyz(0.4361, 0.2225, 0.0139)), (b"gXYZ", xyz(0.3851, 0.7169, 0.0971)),
            (b"bXYZ", xyz(0.1431, 0.0606, 0.7141)),
            (b"rTRC", curve), (b"gTRC", curve), (b"bTRC", curve)]
    table_size = 4 + 12 * len(tags)
    offset = 128 + table_size
    table, data = struct.pack(">I", len(tags)), b""
    for signature, body in tags:
        table += signature + struct.pack(">II", offset + len(data), len(body))
        data += body + b"\0" * (-len(body) % 4)
    size = 128 + table_size + len(data)
    header = (struct.pack(">I", size) + b"\0" * 4 + struct.pack(">I", 0x02100000) + b"mntrRGB XYZ "
              + b"\0" * 12 + b"acsp" + b"\0" * 24 + struct.pack(">I", 0) + fixed(0.9642) + fixed(1.0)
              + fixed(0.8249) + b"\0" * 48)
    assert len(header) == 128
    return header + table + data
