"""The Python client against a running kelvorin on the built-in simulated controller.

Usage: python3 test_kelvorin.py BINDIR   (BINDIR holds kelvorin and the shipped settings)
"""

import glob
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kelvorin  # noqa: E402
from kelvorin import Kelvorin, KelvorinError  # noqa: E402

BIN_DIR = None


def free_tcp_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Server:
    """kelvorin -platform offscreen --automation on a temporary settings folder."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="kelvorin-py-")
        for name in glob.glob(os.path.join(BIN_DIR, "ST_*.TXT")):
            shutil.copy(name, self.dir)
        self.port = free_tcp_port()
        config = [
            '"CONTRTYPE",EZHR17', '"MPORTNAME",sim:EZHR17:lower=-1600:upper=160000',
            '"PORTTIMEOUT",50', '"MOVETIMEOUT",10', '"WAITPOLLINGINTERVAL",20',
            '"Z_INSTALLED",1', '"MPORT",1', '"SERVERTCPPORT",%d' % self.port,
        ]
        with open(os.path.join(self.dir, "ST_CONFIG.TXT"), "w", newline="") as f:
            f.write("".join(line + "\r\n" for line in config))
        self.socket = os.path.join(self.dir, "k.sock")
        self.proc = subprocess.Popen(
            [os.path.join(BIN_DIR, "kelvorin"), "-platform", "offscreen", "--automation",
             "--socket", self.socket, "--dir", self.dir],
            stdout=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            try:
                with Kelvorin(self.socket, timeout=20) as probe:
                    probe.exec("Ver")  # answered once start-up has ended
                return
            except OSError:
                time.sleep(0.05)
        self.stop()
        raise RuntimeError("kelvorin did not serve " + self.socket)

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(5)
        shutil.rmtree(self.dir, ignore_errors=True)


class AnswerFormTest(unittest.TestCase):
    def test_split_answer(self):
        cases = [
            ("", []),
            ("OK  ; ", ["OK "]),
            ("OK  ; OK  ; 5.00 ; ", ["OK ", "OK ", "5.00"]),
            ("Error Missing Argument  ; ", ["Error Missing Argument "]),
            ("Off  ; Z 3.14 ; ", ["Off ", "Z 3.14"]),
            (" ; ", [""]),
        ]
        for answer, replies in cases:
            self.assertEqual(kelvorin.split_answer(answer), replies, answer)

    def test_default_socket_path(self):
        cases = [
            ({"KELVORIN_SOCKET": "/x/k.sock", "XDG_RUNTIME_DIR": "/run/u"}, "/x/k.sock"),
            ({"XDG_RUNTIME_DIR": "/run/u"}, "/run/u/kelvorin.sock"),
            ({"KELVORIN_SOCKET": "", "XDG_RUNTIME_DIR": ""},
             "/tmp/kelvorin-%d/kelvorin.sock" % os.getuid()),
        ]
        saved = {k: os.environ.get(k) for k in ("KELVORIN_SOCKET", "XDG_RUNTIME_DIR")}
        try:
            for env, path in cases:
                for k in saved:
                    os.environ.pop(k, None)
                os.environ.update(env)
                self.assertEqual(kelvorin.default_socket_path(), path, env)
        finally:
            for k, v in saved.items():
                os.environ.pop(k, None)
                if v is not None:
                    os.environ[k] = v


class LiveServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def setUp(self):
        self.lift = Kelvorin(self.server.socket, timeout=20, move_timeout=30)
        self.lift.exec("Z Stop;Z Wait;Z 0;Z Wait")

    def tearDown(self):
        self.lift.close()

    def test_exec_returns_every_reply(self):
        self.assertEqual(self.lift.exec("Z Rel 5;Z Wait;Z ?"), ["OK ", "OK ", "5.00"])
        self.assertEqual(self.lift.exec("Z ??"), ["Z 5.00"])
        self.assertEqual(self.lift.exec(""), [])

    def test_helpers_move_the_lift(self):
        lift = self.lift
        steps = [
            (lambda: lift.move_to(100), 100.0),
            (lambda: lift.move_rel(-25), 75.0),
            (lambda: lift.move_rel("UP"), 80.0),   # a symbolic constant
            (lambda: lift.move_to("TOP"), 100.0),
            (lambda: lift.move_to(12.5), 12.5),
        ]
        for action, expected in steps:
            action()
            lift.wait()
            self.assertAlmostEqual(lift.z(), expected, places=2)

    def test_stop_ends_a_run(self):
        self.lift.move_vel(500)
        time.sleep(0.3)
        self.lift.stop()
        self.lift.wait()
        first = self.lift.z()
        self.assertGreater(first, 0)
        time.sleep(0.3)
        self.assertEqual(self.lift.z(), first)

    def test_home_finds_the_switch_and_sets_the_origin(self):
        self.lift.move_to(50)
        self.lift.wait()
        self.lift.home()
        self.assertEqual(self.lift.z(), 0.0)
        # The switch lies 1600 steps (1000 units) below the start: back there, and make it
        # the origin again for the other tests.
        self.lift.move_to(1000)
        self.lift.wait()
        self.assertEqual(self.lift.z(), 1000.0)
        self.lift.exec("Z Origin")
        self.assertEqual(self.lift.z(), 0.0)

    def test_error_replies_raise(self):
        cases = [
            ("Z", "Error Missing Argument "),
            ("Z Rel", "Error No Value "),
            ("Z rel 5", "Error "),
            ("Z Rel 5;Nonsense", None),
        ]
        for line, reply in cases:
            with self.assertRaises(KelvorinError) as caught:
                self.lift.exec(line)
            if reply is not None:
                self.assertEqual(caught.exception.reply, reply, line)
            self.assertIn("Error ", caught.exception.reply)
            self.assertEqual(caught.exception.line, line)
        # Helpers raise the same way, and check=False hands the replies back.
        with self.assertRaises(KelvorinError):
            self.lift.move_to("nowhere")
        self.assertEqual(self.lift.exec("Z", check=False), ["Error Missing Argument "])
        self.lift.wait()  # still serving

    def test_time_out_drops_the_connection_and_the_next_call_reconnects(self):
        with self.assertRaises(socket.timeout):
            self.lift.exec("Delay 1500", timeout=0.2)
        # The late answer of the Delay must not answer this request.
        self.assertEqual(self.lift.exec("Ver", timeout=20), self.lift.exec("Ver"))
        self.assertEqual(self.lift.exec("Z Rel 5;Z Wait;Z ?")[2], "5.00")

    def test_tcp_port(self):
        with Kelvorin(port=self.server.port, timeout=20) as tcp:
            tcp.move_to(20)
            tcp.wait()
            self.assertAlmostEqual(tcp.z(), 20.0, places=2)
        self.assertAlmostEqual(self.lift.z(), 20.0, places=2)

    def test_no_server(self):
        with self.assertRaises(OSError):
            Kelvorin(os.path.join(self.server.dir, "none.sock"))


if __name__ == "__main__":
    BIN_DIR = sys.argv.pop(1)
    unittest.main(verbosity=2)
