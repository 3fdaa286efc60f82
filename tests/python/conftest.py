"""Fixtures of the Python tests: simulated print servers, and a shell that can be made to stall."""

import socket
import threading
import time

import pytest

import pelmora


@pytest.fixture
def server():
    """(host, port) of a simulated print server served for the test."""
    with pelmora.simulate() as address:
        yield address


class StallingShell:
    """A shell on loopback that echoes each line and answers "ok" (a refusal to SH lines) and a
    prompt, but never answers STALL. `lines` records what it got."""

    def __init__(self):
        self.lines = []
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def _serve(self):
        try:
            session, _ = self.listener.accept()
        except OSError:
            return
        with session:
            pending = b""
            while chunk := session.recv(4096):
                pending += chunk
                while b"\r" in pending:
                    line, pending = pending.split(b"\r", 1)
                    self.lines.append(line.strip().decode("latin-1"))
                    if line.strip() != b"STALL":
                        answer = b"%cfgerr: refused" if line.startswith(b"SH ") else b"ok"
                        session.sendall(line + b"\r\n" + answer + b"\r\nLocal> ")


@pytest.fixture
def stalling_shell():
    shell = StallingShell()
    yield shell
    shell.listener.close()


def full_accept_queue():
    """A loopback listener whose accept queue is full, and the sockets that fill it: a further
    connect to it neither succeeds nor fails."""
    full = socket.create_server(("127.0.0.1", 0), backlog=0)
    fillers = [socket.socket() for _ in range(4)]
    for filler in fillers:
        filler.setblocking(False)
        filler.connect_ex(full.getsockname())
    time.sleep(0.02)
    return full, fillers
