#!/usr/bin/python
# -*- coding: utf-8 -*-
"""The settings module: brings a print server's settings to the wanted values."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: settings
short_description: Set a wireless print server's settings
description:
  - Brings the settings of a wireless print server to the wanted values, given as a dict or as a
    profile file, through the print server's configuration shell.
  - The module reads the current values, sets only the settings that differ plus the secrets
    given, reads each changed setting back, and with I(save) saves the configuration when every
    setting was verified. This is the plan that C(pelmora diff) prints and C(pelmora apply)
    carries out.
  - Secrets (such as C(psk), C(password), C(wep-key)) cannot be read back, so the module
    cannot tell whether the device already has them. With I(update_secrets=true) it sends them
    on every run and reports the task as changed; with I(update_secrets=false) it never sends
    them, so a second identical run reports nothing changed.
  - On a failure the settings already changed are set back to their earlier values (unless
    I(rollback=false)), and the task fails with the error's number, source and description.
  - Bad input (an unknown setting, a value of the wrong type, an unknown word, a value the
    setting can never hold) fails the task before the print server is contacted.
version_added: 6.0.0
author:
  - kvnPelmoraT2 developers
extends_documentation_fragment:
  - pelmora.printserver.connection
options:
  settings:
    description:
      - The wanted settings, by the names that C(pelmora settings) lists, as in a profile.
      - An enumerated value is its word or its number, an address a string, C(wep-key) a dict
        whose keys are the key numbers C("1") to C("4").
      - The values of secrets never appear in output or logs; every other value may.
      - Exactly one of I(settings) and I(profile) is given.
    type: dict
  profile:
    description:
      - Path of a profile file (TOML, or JSON of the same shape) on the controller, as
        C(pelmora backup) writes it.
      - Exactly one of I(settings) and I(profile) is given.
    type: path
  save:
    description:
      - Save the configuration once every changed setting was verified, so that it outlasts a
        restart of the print server. Nothing is saved when nothing changes.
    type: bool
    default: false
  rollback:
    description:
      - On a failure, set the settings already changed back to their earlier values.
    type: bool
    default: true
  update_secrets:
    description:
      - Send the secrets given (such as C(psk)) on every run, which makes every run that gives
        one report a change.
      - With C(false) the secrets are left out, so that a run of unchanged settings reports
        nothing changed; use C(true) for the run that first sets them.
    type: bool
    default: true
attributes:
  check_mode:
    support: full
    description: Reports what would change and changes nothing.
  diff_mode:
    support: full
    description: Shows the settings before and after, secrets as C((secret)).
"""

EXAMPLES = r"""
- name: Office network on every print server
  hosts: printservers
  connection: local
  gather_facts: false
  tasks:
    - name: Join the office network
      pelmora.printserver.settings:
        password: "{{ vault_printserver_password }}"
        settings:
          ssid: OfficeNet
          channel: 6
          encryption: wpa2
          psk: "{{ vault_office_psk }}"
        save: true

- name: A profile that pelmora backup wrote, on a server on another port
  pelmora.printserver.settings:
    host: 192.0.2.10
    port: 2323
    password: "{{ vault_printserver_password }}"
    profile: profiles/office.toml

- name: The scheduled run that changes nothing when nothing drifted
  pelmora.printserver.settings:
    password: "{{ vault_printserver_password }}"
    settings:
      ssid: OfficeNet
      psk: "{{ vault_office_psk }}"
    update_secrets: false
"""

RETURN = r"""
changes:
  description:
    - The plan, one entry per setting given, in the catalog's order (a C(wep-key) entry per key).
    - C(from) and C(to) are null for a secret.
  returned: always, unless the input was refused
  type: list
  elements: dict
  sample:
    - {name: ssid, from: PrintNet, to: OfficeNet, action: change, result: verified}
    - {name: channel, from: 6, to: 6, action: keep, result: kept}
    - {name: psk, from: null, to: null, action: send, result: sent}
  contains:
    name:
      description: The setting (C(wep-key 2) for a key).
      type: str
    from:
      description: The value the print server had.
      type: raw
    to:
      description: The wanted value.
      type: raw
    action:
      description: C(keep), C(change), or C(send) for a secret.
      type: str
    result:
      description:
        - What happened; absent in check mode.
        - C(kept), C(verified), C(sent), C(failed), C(not attempted), and after a failure
          C(rolled back) or C(not restored).
      type: str
      returned: when the plan was carried out
    error:
      description: The error of the step that failed, with C(number), C(source), C(description).
      type: dict
      returned: when the step failed
saved:
  description: Whether the configuration was saved.
  returned: always, unless the input was refused
  type: bool
  sample: true
skipped_secrets:
  description: The secrets given that were not sent, since I(update_secrets) is false.
  returned: when I(update_secrets) is false
  type: list
  elements: str
  sample: [psk]
number:
  description: The error's number.
  returned: when the print server, the connection or the protocol failed
  type: int
  sample: 121
source:
  description: The error's source.
  returned: when the print server, the connection or the protocol failed
  type: str
description:
  description: The error's description.
  returned: when the print server, the connection or the protocol failed
  type: str
"""

import json
import re

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_text
from ansible_collections.pelmora.printserver.plugins.module_utils.printserver import (
    CONNECTION_OPTIONS, USAGE_ERRORS, connect, error_result, one_line, pelmora, port_of,
    require_pelmora)

try:
    import tomllib
except ImportError:  # before Python 3.11: profiles are given as dicts or JSON
    tomllib = None

SECRET_SHOWN = "(secret)"
# The results of a step after which the print server holds a value that it did not have ("not
# restored" may go on with the reason).
CHANGING_RESULTS = ("verified", "sent", "not restored")


def catalog():
    """The in-process simulated print server: its plans check names, types, words and values
    as the print server's would, without contacting the print server."""
    return pelmora.connect()


def leaves(value):
    if isinstance(value, dict):
        for item in value.values():
            for leaf in leaves(item):
                yield leaf
    elif isinstance(value, (list, tuple)):
        for item in value:
            for leaf in leaves(item):
                yield leaf
    elif value is not None and to_text(value) != "":
        yield to_text(value)


def is_shown(device, name, value):
    """Whether the catalog plans `value` as a setting that it reads and compares: no secret."""
    try:
        steps = device.diff({name: value})
    except USAGE_ERRORS:
        return False
    return bool(steps) and all(step["action"] != "send" for step in steps)


def values_to_hide(settings):
    """The values in `settings` that must never be shown: those of secrets, and each that the
    catalog refuses, since whether that one is a secret cannot be told."""
    if not isinstance(settings, dict) or pelmora is None:
        return set(leaves(settings))
    with catalog() as device:
        return set(leaf for name, value in settings.items()
                   if not is_shown(device, name, value) for leaf in leaves(value))


def problems(error):
    """A refused profile's problems on one line; a dict's problems without its JSON places."""
    lines = [line.strip() for line in str(error).splitlines() if line.strip()]
    head = re.match(r"(.*): \d+ problem\(s\); nothing was sent$", lines[0]) if lines else None
    if not head:
        return one_line(error)
    found = [re.sub(r"^<dict>:\d+:\d+: ", "", line) for line in lines[1:]]
    prefix = "settings: " if head.group(1) == "<dict>" else ""
    return prefix + "; ".join(found) + "; nothing was sent"


class SettingsModule(AnsibleModule):
    """Hides the values of secret settings from the moment the parameters are read, so that
    neither a refused argument nor the module's log shows them."""

    def _load_params(self):
        super(SettingsModule, self)._load_params()
        self.no_log_values.update(values_to_hide(self.params.get("settings")))


def setting_of(step):
    """The profile key of a step: "wep-key 2" is the key 2 of wep-key."""
    return step["name"].split(" ")[0]


def read_profile(path):
    with open(path, "rb") as file:
        data = file.read()
    if path.endswith(".json") or data.lstrip().startswith(b"{"):
        return json.loads(data.decode("utf-8"))
    if tomllib is None:
        raise ValueError("%s: TOML profiles need Python 3.11; give the settings as a dict" % path)
    return tomllib.loads(data.decode("utf-8"))


def without_secrets(wanted, plan):
    """`wanted` and its plan without the secrets, and the secrets' names."""
    secrets = [step["name"] for step in plan if step["action"] == "send"]
    if not secrets:
        return wanted, plan, []
    settings = wanted if isinstance(wanted, dict) else read_profile(wanted)
    names = set(setting_of(step) for step in plan if step["action"] == "send")
    kept = dict((name, value) for name, value in settings.items() if name.lower() not in names)
    return kept, [step for step in plan if step["action"] != "send"], secrets


def shown(step, side, check_mode):
    if step["action"] == "send" and side == "from":
        return SECRET_SHOWN
    if step["action"] == "send":
        return "(secret, to be sent)" if check_mode else "(secret, sent)"
    value = step[side]
    return "(unknown)" if value is None else json.dumps(value, ensure_ascii=False)


def diff_of(plan, module):
    def lines(side):
        return "".join("%s = %s\n" % (step["name"], shown(step, side, module.check_mode))
                       for step in plan)

    target = "%s:%d" % (module.params["host"], port_of(module.params))
    return dict(before=lines("from"), after=lines("to"), before_header="%s (now)" % target,
                after_header="%s (wanted)" % target)


def fail_usage(module, error):
    module.fail_json(msg=problems(error))


def apply_options(params):
    options = dict(save=params["save"])
    if not params["rollback"]:  # rolling back is apply's default
        options["rollback"] = False
    return options


def carry_out(module, device, wanted, plan):
    """Applies `wanted` when the plan does something, and leaves the task with its result."""
    params = module.params
    result = dict(changes=plan, saved=False, changed=any(s["action"] != "keep" for s in plan))
    if module._diff:
        result["diff"] = diff_of(plan, module)
    if module.check_mode or not result["changed"]:
        return result
    try:
        changes = device.apply(wanted, **apply_options(params))
    except pelmora.AutomationError as error:
        changes = getattr(error, "changes", None) or plan
        module.fail_json(changes=changes, saved=False, changed=touched(changes),
                         **error_result(error))
    result.update(changes=changes, saved=params["save"], changed=touched(changes))
    return result


def touched(changes):
    return any(step.get("result", "").startswith(CHANGING_RESULTS) for step in changes)


def run(module):
    params = module.params
    wanted = params["settings"] if params["settings"] is not None else params["profile"]
    try:
        with catalog() as device:
            device.diff(wanted)
    except USAGE_ERRORS as error:
        fail_usage(module, error)
    skipped = None
    with connect(module) as device:
        plan = device.diff(wanted)
        if not params["update_secrets"]:
            wanted, plan, skipped = without_secrets(wanted, plan)
        result = carry_out(module, device, wanted, plan)
    if skipped is not None:
        result["skipped_secrets"] = skipped
    return result


def main():
    module = SettingsModule(
        argument_spec=dict(
            settings=dict(type="dict"),
            profile=dict(type="path"),
            save=dict(type="bool", default=False),
            rollback=dict(type="bool", default=True),
            update_secrets=dict(type="bool", default=True, no_log=False),
            **CONNECTION_OPTIONS),
        mutually_exclusive=[("settings", "profile")],
        required_one_of=[("settings", "profile")],
        supports_check_mode=True,
    )
    require_pelmora(module)
    try:
        module.exit_json(**run(module))
    except pelmora.AutomationError as error:
        module.fail_json(changed=False, **error_result(error))
    except USAGE_ERRORS as error:
        fail_usage(module, error)


if __name__ == "__main__":
    main()
