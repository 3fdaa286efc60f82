# -*- coding: utf-8 -*-
"""The controller's side of the collection's modules (meta/runtime.yml routes them here)."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):
    """Runs a print server module with the task's host and port, which default to the host's
    ansible_host (else its inventory name) and ansible_port: the modules run with a local
    connection, so these name the print server rather than the machine that runs them."""

    def run(self, tmp=None, task_vars=None):
        task_vars = task_vars or {}
        result = super(ActionModule, self).run(tmp, task_vars)
        args = dict(self._task.args)
        if args.get("host") is None:
            args["host"] = self._host_var(task_vars, "ansible_host",
                                          task_vars.get("inventory_hostname"))
        if args.get("port") is None:
            args["port"] = self._host_var(task_vars, "ansible_port", None)
        result.update(self._execute_module(module_args=args, task_vars=task_vars))
        return result

    def _host_var(self, task_vars, name, fallback):
        return self._templar.template(task_vars[name]) if name in task_vars else fallback
