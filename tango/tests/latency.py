"""Latency of a Position read and of Stop through kelvorin-tango, against the same
requests ("Z ?", "Z Stop") sent straight to kelvorin's socket. Not a test: prints figures.

Usage: /usr/bin/python3 latency.py BINDIR [ROUNDS]
"""

import os
import statistics
import sys
import threading
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tango  # noqa: E402
from lift_rig import Device, Lift, SocketClient  # noqa: E402


def timed(action, rounds):
    samples = []
    for _ in range(rounds):
        start = time.perf_counter()
        action()
        samples.append((time.perf_counter() - start) * 1000)
    return samples


def report(name, samples):
    samples.sort()
    print("%-28s median %6.2f ms   p90 %6.2f ms   max %6.2f ms   (n=%d)" % (
        name, statistics.median(samples), samples[int(len(samples) * 0.9)], samples[-1],
        len(samples)))


def stop_during_move(stop, start_move, wait_idle, rounds):
    samples = []
    for i in range(rounds):
        start_move(20000 if i % 2 == 0 else 0)
        time.sleep(0.05)
        samples += timed(stop, 1)
        wait_idle()
    return samples


def main():
    bin_dir = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    lift = Lift(bin_dir)
    device = Device(bin_dir, lift)
    client = SocketClient(lift.socket)
    proxy = device.proxy
    try:
        report("Position read, TANGO", timed(lambda: proxy.read_attribute("Position"), rounds))
        report("Z ?, socket", timed(lambda: client.exec("Z ?"), rounds))
        moves = max(rounds // 10, 5)
        report("Stop in a move, TANGO", stop_during_move(
            proxy.Stop, lambda z: proxy.write_attribute("Position", z),
            lambda: device.wait_state(tango.DevState.ON), moves))
        report("Z Stop in a move, socket", stop_during_move(
            lambda: client.exec("Z Stop"), lambda z: client.exec("Z %d" % z),
            lambda: client.exec("Z Wait"), moves))
        waiter = SocketClient(lift.socket)
        pending = []

        def move_with_a_wait_pending(z):
            client.exec("Z %d" % z)
            pending.append(threading.Thread(target=waiter.exec, args=("Z Wait",)))
            pending[-1].start()

        def join_wait():
            pending.pop().join()

        report("Z Stop, socket, Z Wait pending", stop_during_move(
            lambda: client.exec("Z Stop"), move_with_a_wait_pending, join_wait, moves))
        waiter.close()
    finally:
        client.close()
        device.stop()
        lift.stop()


if __name__ == "__main__":
    main()
