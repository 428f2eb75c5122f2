"""Kelvorin lift client: sends command lines to a running kelvorin and returns its replies.

Standard library only; copy this one file next to your script.

    from kelvorin import Kelvorin
    with Kelvorin() as lift:          # the default socket, as kelvorin-cmd finds it
        lift.move_rel(5)
        lift.wait()
        print(lift.z())

A request is one line; the answer is one line holding every command's reply, each followed
by " ; ". A reply containing "Error " raises KelvorinError. The answer bytes are Latin-1.
"""

import os
import socket

__all__ = ["Kelvorin", "KelvorinError", "default_socket_path"]

_SEPARATOR = " ; "
_ERROR = "Error "


class KelvorinError(Exception):
    """A reply that contains "Error ". `reply` is that reply, `replies` the whole answer."""

    def __init__(self, reply, replies=None, line=None):
        super().__init__(reply)
        self.reply = reply
        self.replies = list(replies) if replies is not None else [reply]
        self.line = line


def default_socket_path():
    """$KELVORIN_SOCKET, else $XDG_RUNTIME_DIR/kelvorin.sock, else
    /tmp/kelvorin-<uid>/kelvorin.sock: the same rule as kelvorin and kelvorin-cmd."""
    given = os.environ.get("KELVORIN_SOCKET")
    if given:
        return given
    runtime = os.environ.get("XDG_RUNTIME_DIR")
    if runtime:
        return os.path.join(runtime, "kelvorin.sock")
    return "/tmp/kelvorin-%d/kelvorin.sock" % os.getuid()


def split_answer(answer):
    """The replies of one answer line (without its LF): "OK  ; 5.00 ; " -> ["OK ", "5.00"]."""
    if answer == "":
        return []
    if answer.endswith(_SEPARATOR):
        answer = answer[: -len(_SEPARATOR)]
    return answer.split(_SEPARATOR)


def _number(value):
    return value if isinstance(value, str) else repr(float(value))


class Kelvorin:
    """One connection to kelvorin, by Unix socket path (default) or by TCP port.

    timeout: seconds to wait for an ordinary answer; move_timeout: for wait() and home(),
    which last as long as the motion (keep it above the server's MOVETIMEOUT).
    An answer that does not come in time raises TimeoutError and drops the connection,
    so a late answer never answers a later request; the next call connects again.
    """

    def __init__(self, path=None, port=None, host="127.0.0.1", timeout=10.0,
                 move_timeout=120.0, connect_timeout=5.0):
        if path is not None and port is not None:
            raise ValueError("give a socket path or a TCP port, not both")
        self.path = None if port is not None else (path or default_socket_path())
        self.port = port
        self.host = host
        self.timeout = timeout
        self.move_timeout = move_timeout
        self.connect_timeout = connect_timeout
        self._sock = None
        self._inbox = b""
        self._connect()

    # -- connection -------------------------------------------------------------------

    def _connect(self):
        if self.port is not None:
            sock = socket.create_connection((self.host, self.port), self.connect_timeout)
        else:
            sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            sock.settimeout(self.connect_timeout)
            try:
                sock.connect(self.path)
            except OSError:
                sock.close()
                raise
        self._sock = sock
        self._inbox = b""

    def close(self):
        if self._sock is not None:
            self._sock.close()
            self._sock = None
            self._inbox = b""

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _read_line(self, timeout):
        self._sock.settimeout(timeout)
        while b"\n" not in self._inbox:
            chunk = self._sock.recv(65536)
            if not chunk:
                raise ConnectionError("kelvorin closed the connection")
            self._inbox += chunk
        line, _, self._inbox = self._inbox.partition(b"\n")
        return line.decode("latin-1")

    # -- requests ---------------------------------------------------------------------

    def exec(self, line, timeout=None, check=True):
        """Sends one command line; returns the list of replies ("OK ", "5.00", ...).

        With check (the default) a reply containing "Error " raises KelvorinError."""
        replies = split_answer(self.answer(line, timeout))
        if check:
            for reply in replies:
                if _ERROR in reply:
                    raise KelvorinError(reply, replies, line)
        return replies

    def answer(self, line, timeout=None):
        """Sends one command line; returns its answer line as it came ("OK  ; 5.00 ; ")."""
        if "\n" in line:
            raise ValueError("a command line must not contain a line feed")
        if self._sock is None:
            self._connect()
        try:
            self._sock.sendall(line.encode("latin-1") + b"\n")
            return self._read_line(self.timeout if timeout is None else timeout)
        except (OSError, ConnectionError):  # socket.timeout is an OSError too
            self.close()
            raise

    def _one(self, line, timeout=None):
        replies = self.exec(line, timeout)
        return replies[0] if replies else ""

    def z(self):
        """The Z position in user units."""
        return float(self._one("Z ?").strip().replace(",", "."))

    def move_to(self, position):
        """Starts a move to an absolute position; does not wait for its end."""
        self._one("Z " + _number(position))

    def move_rel(self, distance):
        """Starts a move by a distance; does not wait for its end."""
        self._one("Z Rel " + _number(distance))

    def move_vel(self, speed):
        """Runs at a constant speed in steps per second (0 stops)."""
        self._one("Z Move " + _number(speed))

    def wait(self, timeout=None):
        """Waits until the running motion has ended."""
        self._one("Z Wait", self.move_timeout if timeout is None else timeout)

    def home(self, timeout=None):
        """Runs to the home switch and sets the origin there; returns when done."""
        self._one("Z Home", self.move_timeout if timeout is None else timeout)

    def stop(self):
        """Stops the motion."""
        self._one("Z Stop")
