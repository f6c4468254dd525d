# -*- coding: utf-8 -*-
# norvik.devices.device, told on the controller who runs it from where.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.norvik.devices.plugins.plugin_utils.controller_action import (
    ControllerAction)


class ActionModule(ControllerAction):
    MODULE = "norvik.devices.device"
