"""Waiting on a device: other threads run meanwhile (Ctrl-C and the time limit are
test_signals.py's)."""

import signal
import socket
import threading
import time

import pelmora

COMMANDS = 40  # each waits for the device's answer to be framed (about 10 ms of idle time)


def run_commands(address, started):
    with pelmora.connect(*address) as device:
        started.wait()
        for _ in range(COMMANDS):
            device.command("SH NW SSID")


def timed(addresses):
    started = threading.Barrier(len(addresses) + 1)
    threads = [threading.Thread(target=run_commands, args=(address, started))
               for address in addresses]
    for thread in threads:
        thread.start()
    started.wait()
    begin = time.monotonic()
    for thread in threads:
        thread.join()
    return time.monotonic() - begin


def test_devices_on_two_threads_wait_at_once():
    with pelmora.simulate() as first, pelmora.simulate() as second:
        alone = timed([first])
        together = timed([first, second])
    # Waiting with the GIL held would run the two threads one after the other (twice the time).
    assert together < 1.5 * alone, (alone, together)


def test_a_call_leaves_the_wakeup_fd_it_found(server):
    reader, writer = socket.socketpair()
    writer.setblocking(False)
    previous = signal.set_wakeup_fd(writer.fileno())
    try:
        with pelmora.connect(*server) as device:
            device.get("ssid")
    finally:
        assert signal.set_wakeup_fd(previous) == writer.fileno()
        reader.close()
        writer.close()
