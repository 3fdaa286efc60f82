"""Ctrl-C during a waiting call, in the settings a program may give it: the call on the main
thread or a worker, the module imported on a worker, asyncio, another user of the wakeup fd, a
device handed to a thread that reused an ended thread's id. Each case runs in a process of its
own, so that a stray KeyboardInterrupt cannot end the test session."""

import os
import subprocess
import sys
import textwrap
import threading

import pytest

import pelmora

PRELUDE = textwrap.dedent("""
    import asyncio, os, signal, sys, threading, time
    sys.path.insert(0, %r)
    from conftest import StallingShell, full_accept_queue

    def waiting():  # a case may replace it
        return "STALL" in shell.lines

    def interrupt_when_waiting():
        # SIGINT once the call waits: by default, once the shell got the line it never answers.
        while not waiting():
            time.sleep(0.005)
        sent_at.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    def stall(timeout=5000):  # the module is the case's own import
        pelmora.connect("127.0.0.1", shell.port, timeout=timeout).command("STALL")

    def report(call):  # how the call ended, and the seconds since the signal
        try:
            call()
        except BaseException as error:
            print(getattr(error, "number", type(error).__name__),
                  "%%.3f" %% (time.monotonic() - sent_at[0]))

    shell = StallingShell()
    sent_at = []
    threading.Thread(target=interrupt_when_waiting, daemon=True).start()
""") % os.path.dirname(__file__)

# Each case: the lines it must print (the first followed by the seconds since the signal), the
# bound on those seconds, and the script.
CASES = {
    "main thread": (["KeyboardInterrupt"], 0.1, """
        import pelmora
        device = pelmora.connect("127.0.0.1", shell.port, timeout=5000)
        report(lambda: device.command("STALL"))
        assert device.command("HELLO") == "ok"
    """),
    "worker thread": (["113"], 0.1, """
        import pelmora
        # The main thread's own handler keeps join() from being interrupted.
        signal.signal(signal.SIGINT, lambda *_: None)
        worker = threading.Thread(target=report, args=(stall,))
        worker.start()
        worker.join()
    """),
    "connect": (["KeyboardInterrupt"], 0.1, """
        import pelmora
        full, fillers = full_accept_queue()
        started = time.monotonic()
        waiting = lambda: time.monotonic() - started > 0.2
        report(lambda: pelmora.connect(*full.getsockname(), timeout=5000))
    """),
    "imported on a worker": (["KeyboardInterrupt"], 0.1, """
        imported = []
        loader = threading.Thread(target=lambda: imported.append(__import__("pelmora")))
        loader.start(); loader.join()
        pelmora = imported[0]
        report(stall)
    """),
    "asyncio.run": (["113"], 0.1, """
        import pelmora
        async def main():
            stall()
        report(lambda: asyncio.run(main()))
    """),
    "asyncio signal handler": (["113", "served"], 0.1, """
        import pelmora
        async def main():
            loop = asyncio.get_running_loop()
            got = loop.create_future()
            loop.add_signal_handler(signal.SIGINT, lambda: got.set_result("served"))
            report(stall)
            print(await asyncio.wait_for(got, 2))
        asyncio.run(main())
    """),
    "own wakeup fd": (["113", "wakeup byte True"], 0.1, """
        import pelmora
        reading, writing = os.pipe()
        os.set_blocking(writing, False)
        signal.set_wakeup_fd(writing)
        signal.signal(signal.SIGINT, lambda *_: None)
        report(stall)
        print("wakeup byte", os.read(reading, 16) == bytes([signal.SIGINT]))
    """),
    # A program that ignores SIGINT keeps its call, which ends at its own limit (119, no answer)
    # given to connect, not at the default of 10 s.
    "ignored": (["119"], 2, """
        import pelmora
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        report(lambda: stall(timeout=300))
    """),
}


@pytest.mark.parametrize("case", sorted(CASES))
def test_ctrl_c_ends_the_waiting_call_within_100_ms_unless_ignored(case):
    expected, bound, script = CASES[case]
    run = subprocess.run([sys.executable, "-c", PRELUDE + textwrap.dedent(script)],
                         capture_output=True, text=True, timeout=20, env=dict(os.environ))
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    ended, seconds = lines[0].split(" ")
    assert [ended] + lines[1:] == expected, run.stdout
    assert float(seconds) < bound, run.stdout


def test_a_device_is_refused_on_a_new_thread_that_reuses_an_ended_threads_id(server):
    made, outcome = {}, {}

    def connect():
        made["device"], made["ident"] = pelmora.connect(*server), threading.get_ident()

    def use():
        outcome["ident"] = threading.get_ident()
        try:
            made["device"].get("ssid")
        except RuntimeError as error:
            outcome["error"] = str(error)

    for target in [connect] + [use] * 50:  # until the system hands out the ended thread's id again
        thread = threading.Thread(target=target)
        thread.start()
        thread.join()
        if outcome.get("ident") == made["ident"]:
            break
    assert outcome["ident"] == made["ident"], "no thread reused the id"
    assert "thread that connected it" in outcome["error"]
    del made["device"]  # the last reference, dropped on a thread that is not the owner
