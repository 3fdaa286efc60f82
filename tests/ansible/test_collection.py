"""The collection pelmora.printserver run by ansible-playbook against three `pelmora sim`
processes on loopback. The cases share the servers and run in file order: each starts from
the values the earlier ones left."""

import json
import os
import re
import subprocess
import sys

import pytest

COLLECTIONS = os.path.join(os.path.dirname(__file__), "..", "..", "ansible")
PASSWORD, PSK = "Pw-shell-4711", "Kq7-office-psk-Zr"
OFFICE = {"ssid": "OfficeNet", "channel": 6, "psk": "{{ office_psk }}"}


@pytest.fixture(scope="module")
def sims(tmp_path_factory):
    """Three simulated print servers (processes, so that one can be stopped) and an inventory."""
    processes = [subprocess.Popen([os.environ["PELMORA_TOOL"], "sim", "--listen", "127.0.0.1:0",
                                   "--password", PASSWORD], stdout=subprocess.PIPE, text=True)
                 for _ in range(3)]
    try:
        ports = [int(re.search(r":(\d+) ", p.stdout.readline()).group(1)) for p in processes]
        hosts = {"sim-%d" % (i + 1): {"ansible_host": "127.0.0.1", "ansible_port": port}
                 for i, port in enumerate(ports)}
        inventory = tmp_path_factory.mktemp("ansible") / "inventory.yml"
        inventory.write_text(json.dumps({"sim": {"hosts": hosts, "vars": {
            "ansible_connection": "local", "ansible_python_interpreter": sys.executable,
            "shell_password": PASSWORD, "office_psk": PSK}}}))
        yield inventory, processes
    finally:
        for process in processes:
            process.terminate()
            process.wait()


def playbook(sims, tasks, *options, callback="minimal"):
    """Runs one play of `tasks` on every host: each host's results in task order, or the text."""
    inventory, _ = sims
    play = inventory.parent / "play.yml"
    play.write_text(json.dumps([{"hosts": "sim", "gather_facts": False, "tasks": tasks}]))
    env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=COLLECTIONS, ANSIBLE_STDOUT_CALLBACK=callback,
               ANSIBLE_LOCAL_TEMP=str(inventory.parent), ANSIBLE_NOCOLOR="1")
    run = subprocess.run(["ansible-playbook", "-i", str(inventory), str(play), *options],
                         env=env, capture_output=True, text=True, timeout=60)
    for secret in (PASSWORD, PSK):
        assert secret not in run.stdout + run.stderr
    found, decoder = {}, json.JSONDecoder()  # the minimal callback writes HOST | STATE => JSON
    for match in re.finditer(r"^(\S+) \| ([A-Z!]+) => ", run.stdout, re.M):
        result = decoder.raw_decode(run.stdout, match.end())[0]
        found.setdefault(match.group(1), []).append(dict(result, state=match.group(2)))
    return found, run.stdout


def settings(wanted, **options):
    return {"pelmora.printserver.settings": dict(password="{{ shell_password }}",
                                                 settings=wanted, **options),
            "ignore_errors": True}


FACTS = {"pelmora.printserver.facts": {}, "ignore_errors": True}


def results(run, task=0):
    return {host: results[task] for host, results in run[0].items()}


def test_a_second_run_changes_nothing_but_sends_the_secret(sims):
    _, recap = playbook(sims, [settings(OFFICE, save=True)], "-vvv", callback="default")
    assert len(re.findall(r"sim-\d +: ok=1 +changed=1 +unreachable=0 +failed=0", recap)) == 3
    run = playbook(sims, [settings(OFFICE, save=True), settings(OFFICE, update_secrets=False)])
    for again, quiet in zip(results(run).values(), results(run, 1).values()):
        assert again["changed"] and again["saved"]
        assert [(c["name"], c["result"]) for c in again["changes"]] == [
            ("ssid", "kept"), ("channel", "kept"), ("psk", "sent")]
        assert not quiet["changed"] and quiet["skipped_secrets"] == ["psk"]


def test_check_mode_reports_the_difference_and_changes_nothing(sims):
    wanted = settings({"ssid": "CheckNet", "channel": 11}, save=True)
    run = playbook(sims, [wanted, FACTS], "--check", "--diff")
    for lines in ('-ssid = "OfficeNet"\n-channel = 6\n', '+ssid = "CheckNet"\n+channel = 11\n'):
        assert run[1].count(lines) == 3
    for name, result in results(run).items():
        assert result["changed"] and [c["action"] for c in result["changes"]] == ["change"] * 2
        facts = results(run, 1)[name]["ansible_facts"]["pelmora"]
        assert (facts["settings"]["ssid"], facts["settings"]["channel"]) == ("OfficeNet", 6)


def test_a_refused_value_fails_the_task_and_rolls_back(sims):
    # The print server refuses a BSSID that is no MAC address. A session of the simulated server
    # starts from its saved settings: the facts show what was saved, the results what the
    # running settings were set back to.
    wanted = {"ssid": "Rolled", "bssid": "zz"}
    run = playbook(sims, [settings(wanted, save=True), FACTS], "--limit", "sim-1")
    failed = results(run)["sim-1"]
    assert failed["state"] == "FAILED!"
    assert failed["msg"].startswith("error %d (" % failed["number"])
    assert {c["name"]: c["result"] for c in failed["changes"]}["ssid"] == "rolled back"
    facts = results(run, 1)["sim-1"]["ansible_facts"]["pelmora"]["settings"]
    assert facts["ssid"] == "OfficeNet"


def test_a_stopped_server_or_a_refused_password_fails_its_host_only(sims):
    _, processes = sims
    processes[2].terminate()
    processes[2].wait()
    wrong_password = {"pelmora.printserver.facts": {"password": "wrong"}, "ignore_errors": True}
    run = playbook(sims, [FACTS, wrong_password])
    hosts = results(run)
    assert [hosts["sim-%d" % i]["state"] for i in (1, 2, 3)] == ["SUCCESS", "SUCCESS", "FAILED!"]
    assert re.fullmatch(r"error \d+ \(.+\): .+", hosts["sim-3"]["msg"])
    assert hosts["sim-1"]["ansible_facts"]["pelmora"]["wireless"]
    assert "password was not accepted" in results(run, 1)["sim-1"]["msg"]


# Run on the stopped server: a message of the input, not of the connection, shows that the
# input was refused before the server was contacted.
BAD_INPUT = [
    ({"settings": {"colour": "red"}}, "colour"),
    ({"settings": {"channel": "six"}}, "channel"),
    ({"settings": {"encryption": "wpa9"}}, "encryption: unknown word"),
    ({"settings": {"ssid": "x"}, "profile": "office.toml"}, "mutually exclusive"),
    ({}, "one of the following is required"),
]


def test_bad_input_fails_before_anything_is_sent(sims):
    tasks = [{"pelmora.printserver.settings": options, "ignore_errors": True}
             for options, _ in BAD_INPUT]
    run = playbook(sims, tasks, "--limit", "sim-3")
    for task, (_, expected) in enumerate(BAD_INPUT):
        result = results(run, task)["sim-3"]
        assert result["state"] == "FAILED!" and "\n" not in result["msg"]
        assert expected in result["msg"]
        assert "number" not in result


@pytest.mark.parametrize("module", ["settings", "facts"])
def test_ansible_doc_renders_without_warnings(module):
    env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=COLLECTIONS, ANSIBLE_NOCOLOR="1")
    run = subprocess.run(["ansible-doc", "pelmora.printserver." + module], env=env,
                         capture_output=True, text=True, timeout=60)
    assert run.returncode == 0 and run.stderr == "" and "EXAMPLES:" in run.stdout


def test_galaxy_builds_the_collection():
    out = os.path.join(os.environ["PELMORA_BUILD_DIR"], "ansible")
    subprocess.run(["ansible-galaxy", "collection", "build", "--force", "--output-path", out,
                    os.path.join(COLLECTIONS, "ansible_collections", "pelmora", "printserver")],
                   check=True, capture_output=True, timeout=60)
    assert os.path.isfile(os.path.join(out, "pelmora-printserver-6.0.0.tar.gz"))
