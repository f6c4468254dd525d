# -*- coding: utf-8 -*-
# What the device and plan modules share: their common parameters and one run of norvik-set.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.norvik.devices.plugins.module_utils.norvik import parse_json

# The parameters of every module that changes devices.
SET_PARAMETERS = dict(
    force=dict(type="bool", default=False),
    allow_gateway_outside_subnet=dict(type="bool", default=False),
    reason=dict(type="str"),
    audit=dict(type="path"),
    timeout=dict(type="float", default=3),
    verify_timeout=dict(type="float", default=30),
    norvik_set=dict(type="str", default="norvik-set"),
    # Set by the action plugin on the controller.
    user=dict(type="str"),
    controller=dict(type="str"),
)


def run_norvik(module, args, data=None):
    """Runs a Norvik program without a terminal; its JSON document, or the task fails."""
    program = module.get_bin_path(args[0], required=True)
    # binary_data: the plan exactly as given, without a line feed added.
    rc, stdout, stderr = module.run_command([program] + args[1:], data=data, binary_data=True)
    document = parse_json(stdout)
    if document is None:
        module.fail_json(msg="%s gave no JSON (exit code %d): %s" % (args[0], rc, stderr.strip()),
                         rc=rc, stderr=stderr)
    return rc, document, stderr
