#!/usr/bin/env python3
"""Runs a serial test program with COM1 on a pseudo-terminal and plays the line's far end.

serial_pty.py BUILD PROGRAM [--line-only] [args...]

Wine maps its COM ports (HKLM\\Software\\Wine\\Ports) when its services start, so the program runs under
a Wine prefix of its own whose server is restarted after the mapping is written: the run's shared
prefix and server are never touched. The program runs twice: its SerialPty cases with COM1 on the pty,
then its SerialAbsent cases with COM1 on a device that does not exist. The mapping is removed after. With --line-only the
program runs once, with COM1 on the pty and TOLVADEX_SERIAL_LINE set (the serial benchmark).

The far end answers "modem!" with "xyz12", "again" with "q" and "?" with the line's settings as
"<baud>:<stop bits>:<ixoff>.".
"""
import os
import pty
import select
import subprocess
import sys
import termios

BUILD, PROGRAM, ARGS = sys.argv[1], sys.argv[2], sys.argv[3:]
LINE_ONLY = ARGS[:1] == ["--line-only"]
if LINE_ONLY:
    ARGS = ARGS[1:]
env = dict(os.environ)
env["WINEPREFIX"] = os.path.join(BUILD, "wineprefix-serial")
env.setdefault("WINEDEBUG", "-all")
env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winedbg.exe=d"
env["WINEARCH"] = "win32"
PORTS = "HKLM\\Software\\Wine\\Ports"

SPEEDS = {getattr(termios, "B%d" % b): b for b in
          (300, 600, 1200, 1800, 2400, 4800, 9600, 19200, 38400, 57600, 115200) if hasattr(termios, "B%d" % b)}


def quiet(*command):
    subprocess.run(list(command), env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def map_com1(device):
    if device:
        quiet("wine", "reg", "add", PORTS, "/v", "COM1", "/d", device, "/f")
    else:
        quiet("wine", "reg", "delete", PORTS, "/v", "COM1", "/f")
    # The mapping is read when Wine's services start: restart this prefix's server.
    quiet("wineserver", "-k")
    quiet("wineserver", "-w")


def settings(fd):
    attrs = termios.tcgetattr(fd)
    iflag, cflag, speed = attrs[0], attrs[2], attrs[5]
    return "%d:%d:%d." % (SPEEDS.get(speed, 0), 2 if cflag & termios.CSTOPB else 1,
                          1 if iflag & termios.IXOFF else 0)


def run_far_end(master, program_args):
    child = subprocess.Popen(["wine", PROGRAM] + program_args, env=env, stdin=subprocess.DEVNULL)
    heard = b""
    while child.poll() is None:
        ready, _, _ = select.select([master], [], [], 0.05)
        if not ready:
            continue
        try:
            heard += os.read(master, 4096)
        except OSError:
            continue
        while True:
            for request, reply in ((b"modem!", lambda: b"xyz12"), (b"again", lambda: b"q"),
                                   (b"?", lambda: settings(master).encode())):
                at = heard.find(request)
                if at >= 0:
                    heard = heard[at + len(request):]
                    os.write(master, reply())
                    break
            else:
                break
        heard = heard[-16:]
    return child.wait()


def main():
    master, slave = pty.openpty()
    # The far end is raw: no echo, no line editing, bytes as they come.
    attrs = termios.tcgetattr(slave)
    attrs[3] &= ~(termios.ECHO | termios.ICANON | termios.ISIG | termios.IEXTEN)
    attrs[1] &= ~termios.OPOST
    termios.tcsetattr(slave, termios.TCSANOW, attrs)
    result = 1
    try:
        map_com1(os.ttyname(slave))
        if LINE_ONLY:
            env["TOLVADEX_SERIAL_LINE"] = "1"
            return run_far_end(master, ARGS)
        result = run_far_end(master, ["--gtest_filter=SerialPty.*"] + ARGS)
        map_com1("/dev/tolvadex-no-such-tty")
        result = run_far_end(master, ["--gtest_filter=SerialAbsent.*"] + ARGS) or result
    finally:
        map_com1(None)
    return result


if __name__ == "__main__":
    sys.exit(main())
