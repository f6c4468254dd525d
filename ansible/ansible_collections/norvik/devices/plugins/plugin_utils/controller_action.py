# -*- coding: utf-8 -*-
# Runs a module with the controller's user and host name added to its arguments, so that the
# site's audit log says who changed a device from where: the site host cannot know either.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import getpass
import socket

from ansible.plugins.action import ActionBase


class ControllerAction(ActionBase):
    MODULE = None  # the module's full name

    def run(self, tmp=None, task_vars=None):
        result = super(ControllerAction, self).run(tmp, task_vars)
        args = dict(self._task.args)
        args.setdefault("user", getpass.getuser())
        args.setdefault("controller", socket.gethostname())
        result.update(self._execute_module(module_name=self.MODULE, module_args=args,
                                           task_vars=task_vars))
        return result
