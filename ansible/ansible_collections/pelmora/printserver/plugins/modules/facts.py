#!/usr/bin/python
# -*- coding: utf-8 -*-
"""The facts module: a print server's settings and reports as facts."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: facts
short_description: Read a wireless print server's settings and reports as facts
description:
  - Reads every readable setting of a wireless print server and its version, IP and wireless
    reports, and returns them as the fact C(pelmora).
  - Secrets (such as C(psk), C(password), C(wep-key)) cannot be read and are not among the facts.
  - Changes nothing.
version_added: 6.0.0
author:
  - kvnPelmoraT2 developers
extends_documentation_fragment:
  - pelmora.printserver.connection
attributes:
  check_mode:
    support: full
    description: Reads as in a normal run.
  facts:
    support: full
    description: Sets C(ansible_facts.pelmora).
"""

EXAMPLES = r"""
- name: Read the print servers
  hosts: printservers
  connection: local
  gather_facts: false
  tasks:
    - name: Read settings and reports
      pelmora.printserver.facts:

    - name: Show the network each one is on
      ansible.builtin.debug:
        msg: "{{ ansible_facts.pelmora.settings.ssid }} on channel
          {{ ansible_facts.pelmora.settings.channel }}, firmware
          {{ ansible_facts.pelmora.version.FirmwareVersion }}"

    - name: Settings with a dash in their name
      ansible.builtin.debug:
        var: ansible_facts.pelmora.settings['rts-threshold']
"""

RETURN = r"""
ansible_facts:
  description: The facts read.
  returned: always
  type: complex
  contains:
    pelmora:
      description: The print server's settings and reports.
      returned: always
      type: complex
      contains:
        settings:
          description:
            - Every readable setting by the name that C(pelmora settings) lists, in the
              catalog's order; an enumerated value as its word.
          type: dict
          sample: {mode: infrastructure, ssid: OfficeNet, channel: 6, encryption: wpa2}
        version:
          description: The version report (C(ProductName), C(FirmwareVersion), C(BootVersion)).
          type: dict
        ip:
          description:
            - The IP report (C(IPAddress), C(SubnetMask), C(DefaultRouter), C(BootMethod),
              C(ActualIPAssignment)).
          type: dict
        wireless:
          description:
            - The wireless report (C(RegulatoryDomain), C(WiFiFWVersion), C(APMacAddress),
              C(WepEncryption), C(WepKey1Set) to C(WepKey4Set), C(EAPState)).
          type: dict
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.pelmora.printserver.plugins.module_utils.printserver import (
    CONNECTION_OPTIONS, connect, error_result, pelmora, require_pelmora)

REPORTS = ("version", "ip", "wireless")


def read_facts(device):
    facts = dict(settings=device.get_all())
    for report in REPORTS:
        facts[report] = device.show(report)
    return facts


def main():
    module = AnsibleModule(argument_spec=dict(CONNECTION_OPTIONS), supports_check_mode=True)
    require_pelmora(module)
    try:
        with connect(module) as device:
            facts = read_facts(device)
    except pelmora.AutomationError as error:
        module.fail_json(changed=False, **error_result(error))
    module.exit_json(changed=False, ansible_facts=dict(pelmora=facts))


if __name__ == "__main__":
    main()
