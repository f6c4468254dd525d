# -*- coding: utf-8 -*-
# The options of the modules that run norvik-set: who asks and why, for its audit log, and
# which norvik-set runs.
from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
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
