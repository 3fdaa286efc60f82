# -*- coding: utf-8 -*-
"""The options that reach a print server, shared by the collection's modules."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
  host:
    description:
      - Name or address of the print server's configuration shell (telnet).
      - When left out, the host's C(ansible_host), else its inventory name.
    type: str
  port:
    description:
      - TCP port of the configuration shell.
      - When left out, the host's C(ansible_port), else 23.
    type: int
  password:
    description:
      - Password of the configuration shell; the module logs in with it after connecting.
      - Keep it in a vault. It never appears in output or logs.
    type: str
  timeout:
    description:
      - Time limit of each command, in milliseconds.
    type: int
    default: 10000
  framing_delay:
    description:
      - Pause between the bytes sent, in milliseconds, for print servers that drop fast input.
    type: int
requirements:
  - The Python module C(pelmora) on the interpreter that runs the module (C(cmake --install)
    installs it; C(PYTHONPATH=build/python) uses a build tree).
notes:
  - Runs on the controller with C(connection=local), as network modules do; the module talks to
    the print server over the network.
"""
