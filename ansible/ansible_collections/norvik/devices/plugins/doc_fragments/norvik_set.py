# -*- coding: utf-8 -*-
# The options of the modules that run norvik-set: how long it searches and waits, who asks and
# why, for its audit log, and which norvik-set runs.
from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
  timeout:
    description: Seconds to search for the device or devices.
    type: float
    default: 3
  verify_timeout:
    description: Seconds to wait for the device or devices to report the new settings.
    type: float
    default: 30
  reason:
    description: Why, for the audit log (a ticket, a person).
    type: str
  audit:
    description: The audit log on the site's host; norvik-set's default place when not given.
    type: path
  norvik_set:
    description: The norvik-set program to run, by name on the PATH or by path.
    type: str
    default: norvik-set
  user:
    description: The controller's user, for the audit log; set by the action plugin.
    type: str
  controller:
    description: The controller's host name, for the audit log; set by the action plugin.
    type: str
"""
