#!/usr/bin/env python3
"""The saver on a real Wayland compositor: Debian's sway in its headless mode (and weston,
which has no layer shell). Each case is one CTest test:

    wayland_test.py BRUSHWRIGHT DATA_DIR CASE

BW_KEEP_SCRATCH=1 keeps the session's folder (screenshots, logs) and prints where it is.
"""
import json
import os
import re
import shutil
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wayland_session import Session, SessionError, image_cells, image_size, spread, difference

# A picture has colours and shapes; a flat or empty output has none.
PAINTED_SPREAD = 15.0
# Two paintings of different seeds differ by far more than this (0..255 per channel).
DIFFERENT = 12.0
# The same screen shot twice, with nothing drawn over it, differs by less.
SAME = 3.0
# Options that show a painting within seconds and then hold it.
QUICK = ["--speed", "200", "--delay", "60"]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, predicate, seconds=90, interval=0.5):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise Failure(f"timed out waiting for {what}")


def painted(session, output, name):
    """The screenshot of `output` when it shows a painting, else None."""
    path = session.screenshot(output, name)
    return path if spread(image_cells(path)) > PAINTED_SPREAD else None


def still_running(session, saver):
    check(saver.poll() is None,
          f"the saver ended (status {saver.returncode}):\n{session.log(saver)}")


def stop(session, saver):
    """Ends the saver by SIGTERM, as a session does; it must end by that signal."""
    saver.send_signal(signal.SIGTERM)
    saver.wait(20)
    check(saver.returncode == -signal.SIGTERM,
          f"SIGTERM ended the saver with {saver.returncode}:\n{session.log(saver)}")


def add_output(session, mode):
    """Creates a headless output of the given mode; returns its name."""
    before = outputs(session)
    check(session.swaymsg("create_output").returncode == 0, "swaymsg create_output failed")
    name = wait_until("the new output", lambda: (set(outputs(session)) - set(before)) or None,
                      10)
    name = sorted(name)[0]
    check(session.swaymsg("output", name, "mode", *mode.split()).returncode == 0,
          f"swaymsg output {name} mode {mode} failed")
    return name


def outputs(session):
    result = session.swaymsg("-t", "get_outputs", "-r")
    return [o["name"] for o in json.loads(result.stdout or b"[]")]


def message_lines(text):
    return [line for line in text.splitlines() if line.strip()]


# --- cases ---------------------------------------------------------------------------------

def two_outputs(session):
    """Each output its own painting at its own size in pixels (a scale-2 output twice its
    logical size), different from the other's."""
    session.start_sway("640x480")
    second = add_output(session, "800x600 scale 2")
    saver = session.start([session.brushwright, "--verbose", "--seed", "7"] + QUICK,
                          "saver.log")
    first_shot = wait_until("HEADLESS-1 painted",
                            lambda: painted(session, "HEADLESS-1", "first.png"))
    second_shot = wait_until(f"{second} painted", lambda: painted(session, second, "second.png"))
    still_running(session, saver)
    log = session.log(saver)
    check("painting HEADLESS-1 at 640 x 480" in log, log)
    check(f"painting {second} at 800 x 600" in log, f"not painted at 800 x 600:\n{log}")
    check(image_size(second_shot) == (800, 600), f"{second} shot is {image_size(second_shot)}")
    gap = difference(image_cells(first_shot), image_cells(second_shot))
    check(gap > DIFFERENT, f"the two outputs show the same painting (difference {gap:.1f})")
    if os.environ.get("BW_WAYLAND_SHOT"):
        both = os.path.join(session.shots, "both.png")
        session.run(["grim", both])
        shutil.copy(both, os.environ["BW_WAYLAND_SHOT"])
    stop(session, saver)


def output_hotplug(session):
    """An output unplugged while painting is dropped; one plugged in gets a painting. The
    outputs are windows of an outer sway: closing one unplugs its output."""
    session.start_sway("800x600")
    session.start_nested_sway(2)
    saver = session.start([session.brushwright, "--verbose"] + QUICK, "saver.log")
    wait_until("WL-2 painted", lambda: painted(session, "WL-2", "second.png"))
    closed = session.parent_swaymsg('[title="wlroots - WL-2"]', "kill")
    check(closed.returncode == 0, f"closing WL-2 failed: {closed.stdout}")
    wait_until("WL-2 gone", lambda: "WL-2" not in outputs(session), 20)
    still_running(session, saver)
    check(session.swaymsg("create_output").returncode == 0, "swaymsg create_output failed")
    wait_until("WL-3 painted", lambda: painted(session, "WL-3", "third.png"))
    # WL-1 took the room WL-2 left and then shared it with WL-3: a new size each time.
    wait_until("WL-1 painted", lambda: painted(session, "WL-1", "first.png"))
    still_running(session, saver)
    check("painting WL-3 at" in session.log(saver), session.log(saver))
    stop(session, saver)


def layers(session):
    """The wallpaper lies under a window and ignores keys; the saver covers the window."""
    session.start_sway("640x480")
    second = add_output(session, "400x300")
    session.swaymsg("focus", "output", "HEADLESS-1")
    window = session.start(["weston-terminal"], "window.log")
    wait_until("the window", lambda: f'"pid": {window.pid},'.encode()
               in session.swaymsg("-t", "get_tree").stdout, 20)
    time.sleep(1.5)
    alone = image_cells(session.screenshot("HEADLESS-1", "window-alone.png"))

    wallpaper = session.start([session.brushwright, "--layer", "background", "--seed", "3"]
                              + QUICK, "wallpaper.log")
    wait_until(f"{second} painted", lambda: painted(session, second, "wallpaper.png"))
    time.sleep(1)
    over = image_cells(session.screenshot("HEADLESS-1", "window-over-wallpaper.png"))
    gap = difference(alone, over)
    check(gap < SAME, f"the wallpaper shows over the window (difference {gap:.1f})")
    check(session.run(["wtype", "-s", "1000", "x"]).returncode == 0, "wtype failed")
    time.sleep(1)
    still_running(session, wallpaper)
    stop(session, wallpaper)

    saver = session.start([session.brushwright, "--layer", "overlay", "--seed", "3"] + QUICK,
                          "saver.log")
    def covered():
        shot = image_cells(session.screenshot("HEADLESS-1", "saver-over-window.png"))
        return difference(alone, shot) > DIFFERENT and spread(shot) > PAINTED_SPREAD
    wait_until("the window covered by the saver's painting", covered)
    stop(session, saver)
    window.terminate()


def key_ends_saver(session):
    """A key ends the overlay saver with status 0."""
    session.start_sway("640x480")
    saver = session.start([session.brushwright] + QUICK, "saver.log")
    wait_until("HEADLESS-1 painted", lambda: painted(session, "HEADLESS-1", "first.png"))
    # wtype brings a virtual keyboard of its own. The seat gains a keyboard only when it
    # appears, and the saver asks for that keyboard a round trip later: a key typed at once
    # would reach the seat before the saver listens. So wtype waits a second with its
    # keyboard present, and types again should a key still go unheeded.
    for attempt in range(1, 4):
        check(session.run(["wtype", "-s", "1000", "-k", "space"]).returncode == 0,
              "wtype failed")
        try:
            saver.wait(8)
            print(f"the saver ended at key {attempt}")
            break
        except Exception:
            pass
    else:
        raise Failure("a key did not end the saver")
    check(saver.returncode == 0, f"status {saver.returncode}:\n{session.log(saver)}")


def compositor_lost(session):
    """The compositor killed under a painting saver: one line naming it, status non-zero."""
    session.start_sway("640x480")
    saver = session.start([session.brushwright] + QUICK, "saver.log")
    wait_until("HEADLESS-1 painted", lambda: painted(session, "HEADLESS-1", "first.png"))
    os.killpg(session.compositor.pid, signal.SIGKILL)
    session.compositor.wait()
    try:
        saver.wait(20)
    except Exception:
        raise Failure("the saver runs on without its compositor")
    lines = message_lines(session.log(saver))
    check(saver.returncode not in (0, None) and saver.returncode > 0,
          f"status {saver.returncode}: {lines}")
    check(len(lines) == 1 and "lost the connection" in lines[0] and "sway" in lines[0],
          f"not one line naming sway: {lines}")


def start_errors(session):
    """A saver that cannot start on Wayland says why in one line and ends with status 1."""
    session.start_weston()
    cases = [
        # (what, WAYLAND_DISPLAY, words the line must hold)
        ("no layer shell", session.display, ["weston", "layer shell", "GNOME"]),
        ("no compositor", "wayland-absent", ['no Wayland compositor', '"wayland-absent"']),
    ]
    for what, display, words in cases:
        saver = session.start([session.brushwright, "--wayland"], f"{what}.log",
                              {"WAYLAND_DISPLAY": display})
        saver.wait(30)
        lines = message_lines(session.log(saver))
        check(saver.returncode == 1, f"{what}: status {saver.returncode}: {lines}")
        check(len(lines) == 1 and all(word in lines[0] for word in words),
              f"{what}: not one line with {words}: {lines}")
        print(lines[0])


def memory_flat(session):
    """Resident memory stays flat over 200 paintings on two outputs."""
    session.start_sway("320x240")
    add_output(session, "256x192")
    saver = session.start([session.brushwright, "--speed", "4000", "--delay", "0",
                           "--max-fps", "1000"], "saver.log",
                          {"BRUSHWRIGHT_DEBUG": "gl-check"})
    pattern = re.compile(r"picture (\d+): no GL error, resident (\d+) kB")

    def resident():
        return {int(m.group(1)): int(m.group(2)) for m in pattern.finditer(session.log(saver))}

    readings = wait_until("200 paintings", lambda: (len(resident()) >= 200 and resident())
                          or (saver.poll() is not None and Failure(session.log(saver))),
                          seconds=1200, interval=2)
    if isinstance(readings, Failure):
        raise readings
    still_running(session, saver)
    # Caches and the driver settle over the first paintings, and the heap breathes by a few
    # MB from one painting to the next: the mean of the last forty against the mean of
    # forty early ones.
    def mean(first, last):
        values = [kb for n, kb in readings.items() if first <= n <= last]
        return sum(values) / len(values)
    early = mean(21, 60)
    late = mean(161, 200)
    print(f"resident over paintings 21-60: {early:.0f} kB, over 161-200: {late:.0f} kB")
    check(late <= early * 1.03, f"memory grew from {early:.0f} kB to {late:.0f} kB")
    stop(session, saver)


CASES = {f.__name__: f for f in (two_outputs, output_hotplug, layers, key_ends_saver,
                                 compositor_lost, start_errors, memory_flat)}


def main():
    if len(sys.argv) != 4 or sys.argv[3] not in CASES:
        print(f"usage: {sys.argv[0]} BRUSHWRIGHT DATA_DIR {'|'.join(CASES)}", file=sys.stderr)
        return 2
    try:
        with Session(sys.argv[1], sys.argv[2]) as session:
            try:
                CASES[sys.argv[3]](session)
            except (Failure, SessionError) as failure:
                print(f"FAIL {sys.argv[3]}: {failure}")
                return 1
    except SessionError as failure:
        print(f"FAIL {sys.argv[3]}: {failure}")
        return 1
    print(f"ok {sys.argv[3]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
