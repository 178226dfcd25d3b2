"""A private Wayland session for the saver's tests: a compositor in its headless mode with
its own runtime folder, the saver and the tools run beside it, all as an unprivileged user
when the tests run as root (sway will not run as root), and every process ended at the end.
"""
import os
import pwd
import shutil
import signal
import subprocess
import tempfile
import time

# The user scripts/setup makes for these tests.
TEST_USER = "bw-wayland"
# The data folders the saver needs beside it.
DATA_FOLDERS = ("Base", "Base1", "Base2", "Base3", "Base4", "shaders")


class SessionError(Exception):
    pass


class Session:
    """One compositor and what runs on it. Use as a context manager."""

    def __init__(self, brushwright, data_dir):
        self.processes = []
        self.scratch = tempfile.mkdtemp(prefix="bw-wayland-")
        os.chmod(self.scratch, 0o755)
        self.user = None
        if os.geteuid() == 0:
            try:
                self.user = pwd.getpwnam(TEST_USER)
            except KeyError:
                raise SessionError(f"no user {TEST_USER}: run scripts/setup")
        # The runtime folder belongs to the user alone, as a login's does.
        self.runtime = os.path.join(self.scratch, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.config_home = os.path.join(self.scratch, "config")
        os.mkdir(self.config_home, 0o700)
        # Screenshots are written by the user's grim.
        self.shots = os.path.join(self.scratch, "shots")
        os.mkdir(self.shots, 0o755)
        for folder in (self.runtime, self.config_home, self.shots):
            self._own(folder)
        # The saver and its data, copied where the user can read them (a checkout under
        # /root is not): the saver finds data in ../share/brushwright beside it.
        bin_dir = os.path.join(self.scratch, "bin")
        os.mkdir(bin_dir)
        self.brushwright = os.path.join(bin_dir, "brushwright")
        shutil.copy2(brushwright, self.brushwright)
        data = os.path.join(self.scratch, "share", "brushwright", "data")
        for folder in DATA_FOLDERS:
            source = os.path.join(data_dir, folder)
            if os.path.isdir(source):
                shutil.copytree(source, os.path.join(data, folder))
        subprocess.run(["chmod", "-R", "a+rX", os.path.join(self.scratch, "bin"),
                        os.path.join(self.scratch, "share")], check=True)
        self.display = None
        self.swaysock = None
        self.compositor = None

    def _own(self, path):
        if self.user is not None:
            os.chown(path, self.user.pw_uid, self.user.pw_gid)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def env(self, extra=None):
        env = {
            "PATH": "/usr/local/bin:/usr/bin:/bin",
            "HOME": self.user.pw_dir if self.user else os.environ.get("HOME", "/tmp"),
            "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CONFIG_HOME": self.config_home,
            "LANG": "C.UTF-8",
        }
        if self.display:
            env["WAYLAND_DISPLAY"] = self.display
        if self.swaysock:
            env["SWAYSOCK"] = self.swaysock
        env.update(extra or {})
        return env

    def _command(self, args):
        if self.user is None:
            return list(args)
        return ["setpriv", f"--reuid={self.user.pw_uid}", f"--regid={self.user.pw_gid}",
                "--init-groups", "--"] + list(args)

    def start(self, args, log_name, extra_env=None):
        """Starts a process of the session, its output into log_name; returns the Popen."""
        log = open(os.path.join(self.scratch, log_name), "wb")
        process = subprocess.Popen(self._command(args), env=self.env(extra_env), stdout=log,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   start_new_session=True, cwd=self.scratch)
        process.log_path = log.name
        log.close()
        self.processes.append(process)
        return process

    def run(self, args, extra_env=None, timeout=30):
        """Runs a short command of the session; returns the CompletedProcess."""
        return subprocess.run(self._command(args), env=self.env(extra_env),
                              capture_output=True, timeout=timeout, cwd=self.scratch)

    def log(self, process):
        with open(process.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def start_sway(self, first_mode="640x480"):
        config = os.path.join(self.scratch, "sway.conf")
        with open(config, "w") as f:
            f.write(f"output HEADLESS-1 mode {first_mode}\n")
        os.chmod(config, 0o644)
        self._start_sway(config, "sway.log",
                         {"WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1"})

    def start_nested_sway(self, outputs):
        """A second sway whose outputs are windows of the first (its wayland backend), so
        that closing a window unplugs an output. From here on the session's programs run
        on the nested one; parent_swaymsg reaches the first."""
        self.parent_env = {"XDG_RUNTIME_DIR": self.runtime, "WAYLAND_DISPLAY": self.display,
                           "SWAYSOCK": self.swaysock}
        parent_socket = os.path.join(self.runtime, self.display)
        self.runtime = os.path.join(self.scratch, "nested-runtime")
        os.mkdir(self.runtime, 0o700)
        self._own(self.runtime)
        self.display = self.swaysock = None
        config = os.path.join(self.scratch, "nested.conf")
        open(config, "w").close()
        os.chmod(config, 0o644)
        self.parent_compositor = self.compositor
        self._start_sway(config, "nested-sway.log",
                         {"WAYLAND_DISPLAY": parent_socket, "WLR_BACKENDS": "wayland",
                          "WLR_WL_OUTPUTS": str(outputs)})

    def parent_swaymsg(self, *args):
        return self.run(["swaymsg"] + list(args), extra_env=self.parent_env)

    def _start_sway(self, config, log_name, backend_env):
        self.compositor = self.start(["sway", "-c", config], log_name,
                                     dict(backend_env, WLR_RENDERER="pixman"))
        self._wait_for_socket()
        deadline = time.time() + 20
        while time.time() < deadline:
            socks = [n for n in os.listdir(self.runtime) if n.startswith("sway-ipc")]
            if socks:
                self.swaysock = os.path.join(self.runtime, socks[0])
                if self.swaymsg("-t", "get_version").returncode == 0:
                    return
            time.sleep(0.1)
        raise SessionError("sway did not start:\n" + self.log(self.compositor))

    def start_weston(self):
        self.compositor = self.start(
            ["weston", "--backend=headless-backend.so", "--socket=wayland-1",
             "--width=320", "--height=240", "--idle-time=0"], "weston.log")
        self._wait_for_socket()

    def _wait_for_socket(self):
        deadline = time.time() + 20
        while time.time() < deadline:
            if self.compositor.poll() is not None:
                raise SessionError("the compositor ended at once:\n" + self.log(self.compositor))
            names = [n for n in os.listdir(self.runtime)
                     if n.startswith("wayland-") and not n.endswith(".lock")]
            if names:
                self.display = names[0]
                return
            time.sleep(0.1)
        raise SessionError("no Wayland socket appeared:\n" + self.log(self.compositor))

    def swaymsg(self, *args):
        return self.run(["swaymsg"] + list(args))

    def screenshot(self, output, name):
        path = os.path.join(self.shots, name)
        result = self.run(["grim", "-o", output, path])
        if result.returncode != 0:
            raise SessionError(f"grim -o {output}: {result.stderr.decode()}")
        return path

    def close(self):
        # The saver first, then the tools and the compositor: every process group we made.
        for process in self.processes:
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        deadline = time.time() + 5
        for process in self.processes:
            try:
                process.wait(max(0.1, deadline - time.time()))
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait()
        if os.environ.get("BW_KEEP_SCRATCH"):
            print("scratch kept in", self.scratch)
            return
        shutil.rmtree(self.scratch, ignore_errors=True)


def image_cells(path, columns=32, rows=24):
    """The image shrunk to columns x rows, as a list of (r, g, b)."""
    raw = subprocess.run(["convert", path, "-resize", f"{columns}x{rows}!", "-depth", "8",
                          "rgb:-"], capture_output=True, check=True).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def image_size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                         check=True).stdout.split()
    return int(out[0]), int(out[1])


def spread(cells):
    """Standard deviation of every channel of every cell: near 0 for a flat colour."""
    values = [v for cell in cells for v in cell]
    mean = sum(values) / len(values)
    return (sum((v - mean) ** 2 for v in values) / len(values)) ** 0.5


def difference(a, b):
    """Mean absolute difference of two equally shrunk images."""
    return sum(abs(x - y) for ca, cb in zip(a, b) for x, y in zip(ca, cb)) / (3 * len(a))
