"""kelvorin-tango driven from PyTango as a TANGO client does, against kelvorin on a
simulated controller. Offline, loopback only.

Usage: /usr/bin/python3 test_kelvorin_tango.py BINDIR   (BINDIR holds the built programs)
"""

import os
import signal
import subprocess
import sys
import threading
import time
import unittest

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tango  # noqa: E402
from lift_rig import Device, Lift, SocketClient, stop_process, wait_until  # noqa: E402

BIN_DIR = None
ON, MOVING, FAULT = tango.DevState.ON, tango.DevState.MOVING, tango.DevState.FAULT


class LiftAndDevice(unittest.TestCase):
    """A kelvorin on the built-in simulator and a device server on it, for the class."""

    @classmethod
    def setUpClass(cls):
        cls.lift = Lift(BIN_DIR)
        cls.device = Device(BIN_DIR, cls.lift)
        cls.proxy = cls.device.proxy

    @classmethod
    def tearDownClass(cls):
        cls.device.stop()
        cls.lift.stop()


class MotionTest(LiftAndDevice):
    def setUp(self):
        self.assertTrue(self.device.wait_state(ON))
        self.proxy.write_attribute("Position", 0)
        self.assertTrue(self.device.wait_state(ON))

    def test_a_written_position_moves_while_a_socket_client_reads_its_own_answers(self):
        answers, done = [], threading.Event()

        def socket_reader():
            client = SocketClient(self.lift.socket)
            while not done.is_set():
                answers.append(client.exec("Z ?;Ver"))
            client.close()

        reader = threading.Thread(target=socket_reader)
        reader.start()
        self.proxy.write_attribute("Position", 5)
        self.assertEqual(self.proxy.state(), MOVING)
        self.assertTrue(self.device.wait_state(ON))
        done.set()
        reader.join()
        self.assertEqual(self.proxy.read_attribute("Position").value, 5.0)
        self.assertTrue(answers)
        for answer in answers:
            self.assertRegex(answer, r"^-?\d+\.\d\d ; 1\.0 ; $")

    def test_stop_ends_a_long_move_and_home_finds_the_origin(self):
        self.proxy.write_attribute("Position", 50000)
        time.sleep(0.5)
        self.proxy.Stop()
        self.assertTrue(self.device.wait_state(ON, timeout=5))
        stopped = self.proxy.read_attribute("Position").value
        self.assertGreater(stopped, 0)
        self.assertLess(stopped, 50000)
        self.proxy.Home()
        self.assertEqual(self.proxy.state(), MOVING)
        self.assertTrue(self.device.wait_state(ON))
        self.assertEqual(self.proxy.read_attribute("Position").value, 0.0)
        # The switch lies 1000 units below the start: make the start the origin again.
        self.proxy.write_attribute("Position", 1000)
        self.assertTrue(self.device.wait_state(ON))
        self.proxy.Exec("Z Origin")

    def test_exec_answers_and_error_replies_raise(self):
        self.assertEqual(self.proxy.Exec("Ver"), "1.0 ; ")
        self.assertEqual(self.proxy.Exec("Ver;Z ?"), "1.0 ; 0.00 ; ")
        with self.assertRaises(tango.DevFailed) as caught:
            self.proxy.Exec("Z Bogus")
        self.assertEqual(caught.exception.args[0].desc, "Error  ; ")

    def test_change_events_come_during_a_move(self):
        events = []
        eid = self.proxy.subscribe_event("Position", tango.EventType.CHANGE_EVENT,
                                         lambda e: events.append(e))
        try:
            first = len(events)  # the subscription's own event
            self.proxy.write_attribute("Position", 800)
            self.assertTrue(self.device.wait_state(ON))
            values = [e.attr_value.value for e in events[first:] if not e.err]
            self.assertGreater(len(values), 2)
            self.assertTrue(any(0 < v < 800 for v in values), values)
            self.assertTrue(wait_until(lambda: events[-1].attr_value.value == 800.0, 5))
        finally:
            self.proxy.unsubscribe_event(eid)


class LongExecTest(LiftAndDevice):
    """An Exec that waits long ("Z Wait" during a long move another client started) holds
    up neither Stop, nor a Position read, nor the events."""

    def setUp(self):
        self.assertTrue(self.device.wait_state(ON))
        self.client = SocketClient(self.lift.socket)
        self.client.exec("Z %d" % (20000 if self.proxy.Position < 10000 else 0))
        execer = tango.DeviceProxy(self.device.url)  # a TANGO client of its own
        execer.set_timeout_millis(60000)
        self.answer = []
        self.wait = threading.Thread(target=lambda: self.answer.append(execer.Exec("Z Wait")))
        self.wait.start()
        time.sleep(0.3)  # under way

    def tearDown(self):
        self.client.exec("Z Stop")
        self.wait.join(10)
        self.client.close()
        self.assertEqual(self.answer, ["OK  ; "])

    @staticmethod
    def seconds(action):
        start = time.monotonic()
        action()
        return time.monotonic() - start

    def test_stop_and_a_position_read_answer_at_once(self):
        self.assertLess(self.seconds(lambda: self.proxy.read_attribute("Position")), 0.5)
        self.assertTrue(self.wait.is_alive())
        self.assertLess(self.seconds(self.proxy.Stop), 0.5)
        self.wait.join(2)
        self.assertFalse(self.wait.is_alive())

    def test_events_keep_coming(self):
        events = []
        eid = self.proxy.subscribe_event("Position", tango.EventType.CHANGE_EVENT,
                                         lambda e: events.append(e))
        try:
            first = len(events)
            self.assertTrue(wait_until(lambda: len(events) - first > 5, 2))
            self.assertFalse(any(e.err for e in events[first:]))
            self.assertTrue(self.wait.is_alive())
        finally:
            self.proxy.unsubscribe_event(eid)


class TravelLimitTest(unittest.TestCase):
    """Travel limits and unit from the lift's settings: properties in a file database."""

    def setUp(self):
        self.lift = Lift(BIN_DIR, parz_extra=['"ZMIN",-100', '"ZMAX",500', '"ZUNIT",um'])
        self.device = Device(BIN_DIR, self.lift, {
            "SocketPath": self.lift.socket, "SettingsDir": self.lift.dir, "PollPeriod": 50})

    def tearDown(self):
        self.device.stop()
        self.lift.stop()

    def test_limits_are_the_attributes_range_and_a_write_outside_is_refused(self):
        proxy = self.device.proxy
        config = proxy.get_attribute_config("Position")
        self.assertEqual((config.min_value, config.max_value, config.unit), ("-100", "500", "um"))
        for outside in (600, -150):
            with self.assertRaises(tango.DevFailed):
                proxy.write_attribute("Position", outside)
            self.assertEqual(proxy.state(), ON)
            self.assertEqual(proxy.read_attribute("Position").value, 0.0)
        proxy.write_attribute("Position", 500)
        self.assertTrue(self.device.wait_state(tango.DevState.ALARM))
        self.assertIn("upper travel limit", proxy.status())


class LostLiftTest(unittest.TestCase):
    """kelvorin on a pseudo-terminal controller that can fall silent, and restarted."""

    def setUp(self):
        link = os.path.join(os.path.dirname(BIN_DIR), "tango-test-tty-%d" % os.getpid())
        self.sim = subprocess.Popen(
            [os.path.join(BIN_DIR, "kelvorin-sim"), "--family", "EZHR17", "--link", link],
            stdout=subprocess.PIPE)
        self.assertTrue(self.sim.stdout.readline().startswith(b"PORT "))
        self.lift = Lift(BIN_DIR, port_line='"MPORTNAME",' + link)
        self.device = Device(BIN_DIR, self.lift)
        self.assertTrue(self.device.wait_state(ON))

    def tearDown(self):
        self.sim.send_signal(signal.SIGCONT)
        self.device.stop()
        self.lift.stop()
        stop_process(self.sim)
        self.sim.stdout.close()

    def test_a_restarted_lift_program_is_found_again(self):
        self.lift.kill()
        self.assertTrue(self.device.wait_state(FAULT))
        self.assertIn("No connection to the lift program", self.device.proxy.status())
        self.lift.start()
        self.assertTrue(self.device.wait_state(ON))
        self.assertEqual(self.device.proxy.read_attribute("Link").value, "Link OK")

    def test_a_silent_controller_is_a_fault_that_says_so(self):
        self.sim.send_signal(signal.SIGSTOP)
        self.assertTrue(self.device.wait_state(FAULT))
        self.assertIn("No answer from the controller", self.device.proxy.status())
        self.assertEqual(self.device.proxy.read_attribute("Link").value, "No answer")
        self.sim.send_signal(signal.SIGCONT)
        self.assertTrue(self.device.wait_state(ON))


if __name__ == "__main__":
    BIN_DIR = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
