# -*- coding: utf-8 -*-
"""What the collection's modules share: the options that reach a print server, the Python module
pelmora, and its errors as failed results."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import traceback

from ansible.module_utils.basic import missing_required_lib

try:
    import pelmora
except ImportError:
    pelmora = None
    PELMORA_IMPORT_ERROR = traceback.format_exc()
else:
    PELMORA_IMPORT_ERROR = None

CONNECTION_OPTIONS = dict(
    host=dict(type="str"),
    port=dict(type="int"),
    password=dict(type="str", no_log=True),
    timeout=dict(type="int", default=10000),
    framing_delay=dict(type="int"),
)

DEFAULT_PORT = 23

# What pelmora raises for bad arguments, before anything is sent.
USAGE_ERRORS = (ValueError, TypeError, KeyError)


def require_pelmora(module):
    if pelmora is None:
        module.fail_json(msg=missing_required_lib("pelmora (the Python module of pelmora)"),
                         exception=PELMORA_IMPORT_ERROR)


def one_line(error):
    """A usage error's text on one line (KeyError quotes its text)."""
    text = error.args[0] if isinstance(error, KeyError) and error.args else str(error)
    return "; ".join(part.strip() for part in str(text).splitlines() if part.strip())


def port_of(params):
    return params["port"] if params["port"] is not None else DEFAULT_PORT


def connect(module):
    """The print server of the task, logged in when a password is given."""
    params = module.params
    if not params["host"]:
        module.fail_json(msg="no print server: set the host's ansible_host or the option host")
    try:
        device = pelmora.connect(params["host"], port_of(params), password=params["password"],
                                 timeout=params["timeout"], framing_delay=params["framing_delay"])
    except USAGE_ERRORS as error:
        module.fail_json(msg=one_line(error))
    return device


def error_result(error):
    """The fields of an AutomationError as a failed task shows them."""
    return dict(msg="error %d (%s): %s" % (error.number, error.source, error.description),
                number=error.number, source=error.source, description=error.description)
