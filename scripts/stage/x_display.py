"""The top-level windows that Wine programs show on an X display, read and
closed through libX11: Wine names each X window after its program (WM_CLASS),
gives it the window's title (_NET_WM_NAME), the process (_NET_WM_PID), for an
owned window such as a message box its owner (WM_TRANSIENT_FOR), and keeps a
tool window out of the taskbar (_NET_WM_STATE_SKIP_TASKBAR)."""
import ctypes
import ctypes.util
from collections import namedtuple

Window = ctypes.c_ulong
Atom = ctypes.c_ulong
IS_VIEWABLE = 2
CLIENT_MESSAGE = 33

# A viewable top-level window: X id, title, program ("korvan.exe"), process id,
# owned by another window, a tool window (kept out of the taskbar).
TopWindow = namedtuple("TopWindow", "id title program pid owned tool")


class _Attributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", Window), ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", Atom),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("client", _ClientMessage), ("pad", ctypes.c_long * 24)]


def _library():
    x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    p = ctypes.POINTER
    for name, result, args in (
            ("XOpenDisplay", ctypes.c_void_p, [ctypes.c_char_p]),
            ("XCloseDisplay", ctypes.c_int, [ctypes.c_void_p]),
            ("XDefaultRootWindow", Window, [ctypes.c_void_p]),
            ("XQueryTree", ctypes.c_int, [ctypes.c_void_p, Window, p(Window), p(Window), p(p(Window)),
                                          p(ctypes.c_uint)]),
            ("XGetWindowAttributes", ctypes.c_int, [ctypes.c_void_p, Window, p(_Attributes)]),
            ("XInternAtom", Atom, [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]),
            ("XGetWindowProperty", ctypes.c_int, [ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long,
                                                  ctypes.c_int, Atom, p(Atom), p(ctypes.c_int), p(ctypes.c_ulong),
                                                  p(ctypes.c_ulong), p(p(ctypes.c_ubyte))]),
            ("XSendEvent", ctypes.c_int, [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, p(_Event)]),
            ("XSync", ctypes.c_int, [ctypes.c_void_p, ctypes.c_int]),
            ("XFree", ctypes.c_int, [ctypes.c_void_p])):
        function = getattr(x, name)
        function.restype, function.argtypes = result, args
    return x


_X = _library()
# A window may vanish between two requests: its errors are ignored instead of ending the program.
_IGNORE_ERRORS = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda display, error: 0)
_X.XSetErrorHandler(_IGNORE_ERRORS)


class XDisplay:
    """One connection to the X display, closed by close() or at the end of a with block."""

    def __init__(self, name):
        self.handle = _X.XOpenDisplay(name.encode())
        if not self.handle:
            raise RuntimeError("X display %s could not be opened" % name)

    def close(self):
        if self.handle:
            _X.XCloseDisplay(self.handle)
            self.handle = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _atom(self, name):
        return _X.XInternAtom(self.handle, name.encode(), 0)

    def _property(self, window, name):
        """Returns (format, bytes) of a window property; format 0 when it is missing."""
        kind, form, count, left = Atom(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.POINTER(ctypes.c_ubyte)()
        if _X.XGetWindowProperty(self.handle, window, self._atom(name), 0, 1 << 16, 0, 0, ctypes.byref(kind),
                                 ctypes.byref(form), ctypes.byref(count), ctypes.byref(left),
                                 ctypes.byref(data)) != 0 or not data:
            return 0, b""
        # Items of format 32 are C longs in memory.
        size = count.value * {8: 1, 16: ctypes.sizeof(ctypes.c_short), 32: ctypes.sizeof(ctypes.c_long)}[form.value]
        value = ctypes.string_at(data, size)
        _X.XFree(data)
        return form.value, value

    def _numbers(self, window, name):
        """Returns the items of a property of format 32 (numbers, atoms, windows)."""
        form, value = self._property(window, name)
        size = ctypes.sizeof(ctypes.c_long)
        return [int.from_bytes(value[i:i + size], "little") for i in range(0, len(value), size)] if form == 32 else []

    def _children(self, window):
        root, parent = Window(), Window()
        children, count = ctypes.POINTER(Window)(), ctypes.c_uint()
        if not _X.XQueryTree(self.handle, window, ctypes.byref(root), ctypes.byref(parent),
                             ctypes.byref(children), ctypes.byref(count)):
            return []
        ids = [children[i] for i in range(count.value)]
        if children:
            _X.XFree(children)
        return ids

    def _program_windows(self, window, depth):
        """The windows of programs at or below window: those with a WM_CLASS. A window
        manager puts each program's window into a frame of its own, a level or two down."""
        _, wm_class = self._property(window, "WM_CLASS")
        if wm_class:
            return [(window, wm_class)]
        found = []
        for child in self._children(window) if depth > 0 else []:
            found += self._program_windows(child, depth - 1)
        return found

    def windows(self):
        """Returns the viewable top-level windows of programs, as TopWindow, bottom first."""
        found = []
        for top in self._children(_X.XDefaultRootWindow(self.handle)):
            for window, wm_class in self._program_windows(top, 2):
                attributes = _Attributes()
                if not _X.XGetWindowAttributes(self.handle, window, ctypes.byref(attributes)) or \
                        attributes.map_state != IS_VIEWABLE:
                    continue
                _, title = self._property(window, "_NET_WM_NAME")
                found.append(TopWindow(window, title.decode("utf-8", errors="replace"),
                                       wm_class.split(b"\0")[0].decode(errors="replace").lower(),
                                       (self._numbers(window, "_NET_WM_PID") or [0])[0],
                                       any(self._numbers(window, "WM_TRANSIENT_FOR")),
                                       self._atom("_NET_WM_STATE_SKIP_TASKBAR") in self._numbers(window, "_NET_WM_STATE")))
        return found

    def close_window(self, window):
        """Asks the window's program to close it, as its close button does
        (WM_DELETE_WINDOW). Wine ignores the request while the window is disabled."""
        event = _Event()
        event.client.type = CLIENT_MESSAGE
        event.client.window = window
        event.client.message_type = self._atom("WM_PROTOCOLS")
        event.client.format = 32
        event.client.data[0] = self._atom("WM_DELETE_WINDOW")
        _X.XSendEvent(self.handle, window, 0, 0, ctypes.byref(event))
        _X.XSync(self.handle, 0)
