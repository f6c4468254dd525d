#!/usr/bin/python
# -*- coding: utf-8 -*-
# The wanted network settings of one device, made so by norvik-set on the site's host.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: device
short_description: Give one network video device the wanted network settings
description:
  - Runs the installed C(norvik-set) on the site's host, which finds the device by its MAC
    address on the host's own networks (broadcasts never cross a router, so the host must be
    on the site's network), sends the settings that differ and searches again until the device
    reports them.
  - A device that already reports the wanted settings is C(changed=false) and nothing is sent.
  - Every request sent is recorded in norvik-set's audit log, with the play's I(reason), the
    controller's user and host.
  - Linux site hosts only; Windows site hosts are not covered.
version_added: "3.0.0"
author: The Norvik developers
options:
  mac:
    description: The device's MAC address, in any form norvik-set reads.
    type: str
    required: true
  name:
    description: The device's name (18 bytes of UTF-8 reach the device).
    type: str
  ip:
    description: Its address, A.B.C.D.
    type: str
  netmask:
    description: Its subnet mask.
    type: str
  gateway:
    description: Its gateway.
    type: str
  dns1:
    description: Its first DNS server.
    type: str
  dns2:
    description: Its second DNS server.
    type: str
  port:
    description: Its web port, 1 to 65535.
    type: int
  mode:
    description: Whether it takes its address by DHCP or keeps the one given.
    type: str
    choices: [dhcp, static]
  force:
    description: Send what norvik-set's stricter checks refuse (see norvik-set --force).
    type: bool
    default: false
  allow_gateway_outside_subnet:
    description:
      - Send a gateway outside the device's subnet. Without it such a change fails the task
        and nothing is sent.
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
    description: The changed fields before and after.
"""

EXAMPLES = r"""
- name: Camera 17 gets its address
  norvik.devices.device:
    mac: "00:11:22:33:44:55"
    name: hall-17
    ip: 192.168.1.17
    gateway: 192.168.1.1
    reason: ticket 4711
"""

RETURN = r"""
outcome:
  description: What norvik-set saw, as it says it (applied, nothing to change, dry run, ...).
  returned: always
  type: str
device:
  description: norvik-set's JSON object for the device (before, changes, request, after, ...).
  returned: always
  type: dict
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.norvik.devices.plugins.module_utils.norvik import (
    device_arguments, device_outcome, diff_of)
from ansible_collections.norvik.devices.plugins.module_utils.norvik_module import (
    SET_PARAMETERS, run_norvik)


def main():
    parameters = dict(
        mac=dict(type="str", required=True),
        name=dict(type="str"),
        ip=dict(type="str"),
        netmask=dict(type="str"),
        gateway=dict(type="str"),
        dns1=dict(type="str"),
        dns2=dict(type="str"),
        port=dict(type="int"),
        mode=dict(type="str", choices=["dhcp", "static"]),
    )
    parameters.update(SET_PARAMETERS)
    module = AnsibleModule(argument_spec=parameters, supports_check_mode=True)
    rc, result, stderr = run_norvik(module, device_arguments(module.params, module.check_mode))
    changed, failure = device_outcome(result, module.check_mode)
    outcome = result.get("outcome") or result.get("error")
    answer = dict(changed=changed, outcome=outcome, device=result, diff=diff_of(result))
    if failure is not None or rc != 0:
        module.fail_json(msg=failure or stderr.strip(), rc=rc, **answer)
    module.exit_json(**answer)


if __name__ == "__main__":
    main()
