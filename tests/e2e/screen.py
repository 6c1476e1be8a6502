"""Reads pixels of the X display the program draws on: whole screenshots for looks, and fast
samples of a small area for animations (a screenshot takes far longer than one fade step)."""
import ctypes
import os
import subprocess
import time
from pathlib import Path

import numpy as np

_x11 = ctypes.CDLL("libX11.so.6")
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XGetImage.restype = ctypes.c_void_p
_x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                           ctypes.c_ulong, ctypes.c_int]
_x11.XDestroyImage.argtypes = [ctypes.c_void_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class Screen:
    """One connection to the display for quick area reads: grab(x, y, w, h) -> (h, w, 3) uint8 RGB."""

    def __init__(self, display=None):
        self._dpy = _x11.XOpenDisplay((display or os.environ["DISPLAY"]).encode())
        if not self._dpy:
            raise RuntimeError("cannot open the X display")
        self._root = _x11.XDefaultRootWindow(self._dpy)

    def grab(self, x, y, w, h):
        ptr = _x11.XGetImage(self._dpy, self._root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not ptr:
            raise RuntimeError("XGetImage failed")
        img = _XImage.from_address(ptr)
        assert img.bits_per_pixel == 32
        raw = np.ctypeslib.as_array(img.data, shape=(img.bytes_per_line * h,)).copy()
        _x11.XDestroyImage(ptr)
        bgra = raw.reshape(h, img.bytes_per_line // 4, 4)[:, :w]
        return bgra[:, :, 2::-1].copy()

    def watch(self, x, y, w, h, seconds, interval=0.002):
        """Samples the area until `seconds` have passed; returns [(time, area)] for each change seen."""
        changes, last, start = [], None, time.monotonic()
        while (now := time.monotonic()) - start < seconds:
            area = self.grab(x, y, w, h)
            if last is None or not np.array_equal(area, last):
                changes.append((now - start, area))
                last = area
            time.sleep(interval)
        return changes

    def close(self):
        if self._dpy:
            _x11.XCloseDisplay(self._dpy)
            self._dpy = None


def screenshot(path):
    """The whole screen as a PNG file (for people to look at) and as an array (for the test)."""
    subprocess.run(["import", "-display", os.environ["DISPLAY"], "-window", "root", str(path)], check=True)
    s = Screen()
    try:
        return s.grab(0, 0, 1280, 800)
    finally:
        s.close()


def region_stats(image, x, y, w, h):
    """Mean colour (R, G, B) and the mean per-channel standard deviation of an area of an RGB array."""
    area = image[y:y + h, x:x + w].reshape(-1, 3).astype(float)
    return area.mean(axis=0), float(area.std(axis=0).mean())
