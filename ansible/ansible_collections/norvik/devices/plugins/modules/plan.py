#!/usr/bin/python
# -*- coding: utf-8 -*-
# A whole address plan, made so by one norvik-set run on the site's host.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: plan
short_description: Give every device of an address plan its wanted network settings
description:
  - Runs the installed C(norvik-set --plan) on the site's host with the plan given as a list of
    devices or as the text of a plan file (columns mac, name, ip, netmask, gateway, dns1, dns2,
    port, mode; C(norvik-scan --csv) writes one). The whole plan is checked first and nothing
    is sent while it has a problem; then only the devices that differ are sent to.
  - The task fails when any device ends otherwise than applied or nothing to change (not
    applied, no answer, not verifiable, refused, not found); the others are set all the same,
    and I(devices) of the result has one entry per device.
  - Every request sent is recorded in norvik-set's audit log, with the play's I(reason), the
    controller's user and host.
  - Linux site hosts only; Windows site hosts are not covered.
version_added: "3.0.0"
author: The Norvik developers
options:
  devices:
    description:
      - The plan as a list, one entry a device with C(mac) and any of C(name), C(ip),
        C(netmask), C(gateway), C(dns1), C(dns2), C(port), C(mode) (dhcp or static).
      - Exactly one of I(devices) and I(csv) is given.
    type: list
    elements: dict
  csv:
    description:
      - The text of a plan file, for example C("{{ lookup('file', 'site-7.csv') }}") to read
        one from the controller.
    type: str
  force:
    description: Send what norvik-set's stricter checks refuse (see norvik-set --force).
    type: bool
    default: false
  allow_gateway_outside_subnet:
    description:
      - Send gateways outside their device's subnet. Without it such a line is a problem of
        the plan, and nothing is sent.
    type: bool
    default: false
extends_documentation_fragment:
  - norvik.devices.norvik_set
attributes:
  check_mode:
    support: full
    description: Searches and tells what would change; sends nothing.
  diff_mode:
    support: full
    description: The changed fields of each device before and after, by MAC.
"""

EXAMPLES = r"""
- name: The site's address plan
  norvik.devices.plan:
    devices:
      - {mac: "00:11:22:33:44:01", name: gate, ip: 192.168.1.21}
      - {mac: "00:11:22:33:44:02", name: yard, ip: 192.168.1.22, mode: static}
    reason: re-addressing, ticket 4711
- name: A plan file kept beside the playbook
  norvik.devices.plan:
    csv: "{{ lookup('file', 'plans/' + inventory_hostname + '.csv') }}"
"""

RETURN = r"""
devices:
  description:
    - norvik-set's JSON object for each device of the plan (mac, before, changes, request,
      outcome, after, differs, not_shown, refusal, line), with C(changed) and C(failed).
  returned: when the plan was read
  type: list
  elements: dict
problems:
  description: The plan's problems by line, when it has any (nothing is sent then).
  returned: when the plan has problems
  type: list
  elements: dict
"""

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_native
from ansible_collections.norvik.devices.plugins.module_utils.norvik import (
    device_outcome, diff_of, plan_arguments, plan_csv)
from ansible_collections.norvik.devices.plugins.module_utils.norvik_module import (
    SET_PARAMETERS, run_norvik)


def main():
    parameters = dict(devices=dict(type="list", elements="dict"), csv=dict(type="str"))
    parameters.update(SET_PARAMETERS)
    module = AnsibleModule(argument_spec=parameters, supports_check_mode=True,
                           required_one_of=[["devices", "csv"]],
                           mutually_exclusive=[["devices", "csv"]])
    try:
        text = module.params["csv"] if module.params["csv"] is not None else plan_csv(
            module.params["devices"])
    except ValueError as error:
        module.fail_json(msg=to_native(error))
    rc, result, stderr = run_norvik(module, plan_arguments(module.params, module.check_mode),
                                    data=text)
    if "devices" not in result:
        module.fail_json(msg=result.get("error") or stderr.strip(), rc=rc,
                         problems=result.get("problems", []), changed=False)
    devices = []
    failures = []
    diff = dict(before={}, after={})
    for device in result["devices"]:
        changed, failure = device_outcome(device, module.check_mode)
        devices.append(dict(device, changed=changed, failed=failure is not None))
        if failure is not None:
            failures.append("%s (line %s): %s" % (device["mac"], device.get("line"), failure))
        one = diff_of(device)
        if one["before"] or one["after"]:
            diff["before"][device["mac"]] = one["before"]
            diff["after"][device["mac"]] = one["after"]
    changed = any(device["changed"] for device in devices)
    if failures or rc != 0:
        module.fail_json(msg="; ".join(failures) or stderr.strip(), rc=rc, changed=changed,
                         devices=devices, diff=diff)
    module.exit_json(changed=changed, devices=devices, diff=diff)


if __name__ == "__main__":
    main()
