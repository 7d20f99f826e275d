#!/usr/bin/python3
"""Prints the milliseconds from launching a program to the X server mapping
its first window, as seen by a client watching the root window.

    DISPLAY=:99 scripts/measure-splash.py build-rel/app/quarn-configurator

Needs Debian's python3-xlib and a running X server (Xvfb with a window
manager, as on a desktop). The time includes the launcher's fork and exec.
"""
import subprocess
import sys
import time

from Xlib import X, display

screen = display.Display()
screen.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
screen.sync()
start = time.monotonic()
program = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
while screen.next_event().type != X.MapNotify:
    pass
print(f"{(time.monotonic() - start) * 1000:.1f}")
program.terminate()
program.wait()
