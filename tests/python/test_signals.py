"""Ctrl-C during a waiting call, in the settings a program may give it: the call on the main
thread or a worker, the module imported on a worker, asyncio, another user of the wakeup fd, a
device handed to a thread that reused an ended thread's id. Each case runs in a process of its
own, so that a stray KeyboardInterrupt cannot end the test session."""

import os
import subprocess
import sys
import textwrap

import pytest

PRELUDE = textwrap.dedent("""
    import asyncio, os, signal, sys, threading, time
    sys.path.insert(0, %r)
    from conftest import StallingShell, full_accept_queue

    def waiting():  # a case may replace it
        return "STALL" in shell.lines

    def interrupt_when_waiting(shell, sent_at):
        # SIGINT once the call waits: by default, once the shell got the line it never answers.
        while not waiting():
            time.sleep(0.005)
        sent_at.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    def after_signal(sent_at):
        return "%%.3f" %% (time.monotonic() - sent_at[0])

    shell = StallingShell()
    sent_at = []
    threading.Thread(target=interrupt_when_waiting, args=(shell, sent_at), daemon=True).start()
""") % os.path.dirname(__file__)

CASES = {
    "main thread": """
        import pelmora
        device = pelmora.connect("127.0.0.1", shell.port, timeout=5000)
        try:
            device.command("STALL")
        except KeyboardInterrupt:
            print("KeyboardInterrupt", after_signal(sent_at))
        assert device.command("HELLO") == "ok"
    """,
    "worker thread": """
        import pelmora
        outcome = []
        def work():
            device = pelmora.connect("127.0.0.1", shell.port, timeout=5000)
            try:
                device.command("STALL")
            except pelmora.AutomationError as error:
                outcome.append("%d %s" % (error.number, after_signal(sent_at)))
        # The main thread's own handler keeps join() from being interrupted.
        signal.signal(signal.SIGINT, lambda *_: None)
        worker = threading.Thread(target=work)
        worker.start()
        worker.join()
        print(outcome[0])
    """,
    "connect": """
        import pelmora
        full, fillers = full_accept_queue()
        started = time.monotonic()
        waiting = lambda: time.monotonic() - started > 0.2
        try:
            pelmora.connect(*full.getsockname(), timeout=5000)
        except KeyboardInterrupt:
            print("KeyboardInterrupt", after_signal(sent_at))
    """,
    "imported on a worker": """
        imported = []
        loader = threading.Thread(target=lambda: imported.append(__import__("pelmora")))
        loader.start(); loader.join()
        pelmora = imported[0]
        device = pelmora.connect("127.0.0.1", shell.port, timeout=5000)
        try:
            device.command("STALL")
        except KeyboardInterrupt:
            print("KeyboardInterrupt", after_signal(sent_at))
    """,
    "asyncio.run": """
        import pelmora
        async def main():
            device = pelmora.connect("127.0.0.1", shell.port, timeout=5000)
            device.command("STALL")
        try:
            asyncio.run(main())
        except KeyboardInterrupt:
            print("KeyboardInterrupt", after_signal(sent_at))
        except pelmora.AutomationError as error:
            print(error.number, after_signal(sent_at))
    """,
    "asyncio signal handler": """
        import pelmora
        async def main():
            loop = asyncio.get_running_loop()
            got = loop.create_future()
            loop.add_signal_handler(signal.SIGINT, lambda: got.set_result("served"))
            device = pelmora.connect("127.0.0.1", shell.port, timeout=5000)
            try:
                device.command("STALL")
            except pelmora.AutomationError as error:
                print(error.number, after_signal(sent_at))
            print(await asyncio.wait_for(got, 2))
        asyncio.run(main())
    """,
    "own wakeup fd": """
        import pelmora
        reading, writing = os.pipe()
        os.set_blocking(writing, False)
        signal.set_wakeup_fd(writing)
        signal.signal(signal.SIGINT, lambda *_: None)
        device = pelmora.connect("127.0.0.1", shell.port, timeout=5000)
        try:
            device.command("STALL")
        except pelmora.AutomationError as error:
            print(error.number, after_signal(sent_at))
        print("wakeup byte", os.read(reading, 16) == bytes([signal.SIGINT]))
    """,
}

EXPECTED = {
    "main thread": ["KeyboardInterrupt"],
    "worker thread": ["113"],
    "connect": ["KeyboardInterrupt"],
    "imported on a worker": ["KeyboardInterrupt"],
    "asyncio.run": ["113"],
    "asyncio signal handler": ["113", "served"],
    "own wakeup fd": ["113", "wakeup byte True"],
}


IGNORED = """
        import pelmora
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        device = pelmora.connect("127.0.0.1", shell.port, timeout=300)
        try:
            device.command("STALL")
        except pelmora.AutomationError as error:
            print("ok" if error.number == 119 else error.number, after_signal(sent_at))
    """


def run_script(case):
    run = subprocess.run([sys.executable, "-c", PRELUDE + textwrap.dedent(case)],
                         capture_output=True, text=True, timeout=20, env=dict(os.environ))
    assert run.returncode == 0, run.stderr
    return run


@pytest.mark.parametrize("case", sorted(CASES))
def test_ctrl_c_ends_the_waiting_call_within_100_ms(case):
    run = run_script(CASES[case])
    # The first line: how the call ended and the seconds since the signal.
    lines = run.stdout.splitlines()
    ended, seconds = lines[0].split(" ")
    assert [ended] + lines[1:] == EXPECTED[case], run.stdout
    assert float(seconds) < 0.1, run.stdout


def test_a_program_that_ignores_sigint_keeps_its_waiting_calls():
    # The call runs to its own limit (119, no answer) instead of ending at the signal.
    assert run_script(IGNORED).stdout.split(" ")[0] == "ok"


def test_the_time_limit_bounds_the_connect():
    import time
    import pelmora
    from conftest import full_accept_queue
    full, fillers = full_accept_queue()
    started = time.monotonic()
    with pytest.raises(pelmora.AutomationError) as raised:
        pelmora.connect(*full.getsockname(), timeout=300)
    assert raised.value.number == 3002
    assert time.monotonic() - started < 2  # not the 5 s connect limit
    for filler in fillers:
        filler.close()
    full.close()


def test_a_device_is_refused_on_a_new_thread_that_reuses_an_ended_threads_id(server):
    import threading
    import pelmora
    made = {}

    def connect():
        made["device"] = pelmora.connect(*server)
        made["ident"] = threading.get_ident()

    first = threading.Thread(target=connect)
    first.start()
    first.join()
    outcome = {}

    def use():
        outcome["ident"] = threading.get_ident()
        try:
            made["device"].get("ssid")
        except RuntimeError as error:
            outcome["error"] = str(error)

    for _ in range(50):  # until the system hands out the ended thread's id again
        second = threading.Thread(target=use)
        second.start()
        second.join()
        if outcome["ident"] == made["ident"]:
            break
    assert outcome["ident"] == made["ident"], "no thread reused the id"
    assert "thread that connected it" in outcome["error"]
    del made["device"]  # the last reference, dropped on a thread that is not the owner
