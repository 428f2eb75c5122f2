"""Starting kelvorin (on a simulated controller) and kelvorin-tango for the tests and the
latency measurement: temporary settings folders, free loopback ports, clean stops."""

import glob
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

import tango

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "clients", "python"))
from kelvorin import Kelvorin  # noqa: E402

CONFIG = ['"PORTTIMEOUT",50', '"MOVETIMEOUT",60', '"WAITPOLLINGINTERVAL",20',
          '"Z_INSTALLED",1', '"MPORT",1', '"CONTRTYPE",EZHR17']
BUILT_IN_SIM = '"MPORTNAME",sim:EZHR17:lower=-1600:upper=160000'


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(test, timeout=20.0, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = test()
        if value:
            return value
        time.sleep(step)
    return test()


def stop_process(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(5)


class SocketClient(Kelvorin):
    """kelvorin's own Python client; exec answers the whole answer line."""

    def __init__(self, path, timeout=20):
        super().__init__(path=path, timeout=timeout)

    def exec(self, line):
        return self.answer(line)


class Lift:
    """kelvorin -platform offscreen --automation on a settings folder of its own."""

    def __init__(self, bin_dir, port_line=BUILT_IN_SIM, parz_extra=()):
        self.bin_dir = bin_dir
        self.dir = tempfile.mkdtemp(prefix="kelvorin-tango-")
        for name in glob.glob(os.path.join(bin_dir, "ST_*.TXT")):
            shutil.copy(name, self.dir)
        with open(os.path.join(self.dir, "ST_CONFIG.TXT"), "w", newline="") as f:
            f.write("".join(line + "\r\n" for line in CONFIG + [port_line]))
        if parz_extra:
            with open(os.path.join(self.dir, "ST_PARZ.TXT"), "a", newline="") as f:
                f.write("".join(line + "\r\n" for line in parz_extra))
        self.socket = os.path.join(self.dir, "k.sock")
        self.proc = None
        self.start()

    def start(self):
        self.proc = subprocess.Popen(
            [os.path.join(self.bin_dir, "kelvorin"), "-platform", "offscreen", "--automation",
             "--socket", self.socket, "--dir", self.dir], stdout=subprocess.DEVNULL)
        if not wait_until(self._answers):
            raise RuntimeError("kelvorin did not serve " + self.socket)

    def _answers(self):
        try:
            client = SocketClient(self.socket)
            try:
                return client.exec("Ver") == "1.0 ; "
            finally:
                client.close()
        except OSError:
            return False

    def kill(self):
        self.proc.kill()
        self.proc.wait(5)

    def stop(self):
        stop_process(self.proc)
        shutil.rmtree(self.dir, ignore_errors=True)


class Device:
    """kelvorin-tango serving lab/lift/1 on a free loopback port: without a database, or
    with a file database holding its device properties."""

    NAME = "lab/lift/1"

    def __init__(self, bin_dir, lift, properties=None):
        self.port = free_port()
        self.file_db = None
        args = [os.path.join(bin_dir, "kelvorin-tango"), "lift1"]
        if properties:
            self.file_db = os.path.join(lift.dir, "tango.db")
            with open(self.file_db, "w") as f:
                f.write("kelvorin-tango/lift1/DEVICE/KelvorinLift: %s\n" % self.NAME)
                for key, value in properties.items():
                    f.write("%s->%s: %s\n" % (self.NAME, key, value))
            args += ["-file=" + self.file_db]
        else:
            args += ["-nodb", "-dlist", self.NAME]
        args += ["-ORBendPoint", "giop:tcp:127.0.0.1:%d" % self.port]
        env = dict(os.environ, KELVORIN_SOCKET=lift.socket)
        self.proc = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL)
        self.url = "tango://127.0.0.1:%d/%s#dbase=no" % (self.port, self.NAME)
        self.proxy = tango.DeviceProxy(self.url)
        if not wait_until(self._answers):
            raise RuntimeError("kelvorin-tango did not start")
        self.proxy.set_timeout_millis(10000)

    def _answers(self):
        try:
            self.proxy.ping()
            return True
        except tango.DevFailed:
            return False

    def wait_state(self, state, timeout=30):
        return wait_until(lambda: self.proxy.state() == state, timeout)

    def stop(self):
        self.proc.send_signal(signal.SIGINT)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            stop_process(self.proc)
