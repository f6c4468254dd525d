#!/usr/bin/python
# -*- coding: utf-8 -*-
# The site's devices as facts, from the installed norvik-scan on the site's host.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
module: scan
short_description: List the network video devices of the site's network as facts
description:
  - Runs the installed C(norvik-scan --json) on the site's host, for both device protocols and
    ONVIF cameras through every network card of the host. Sets the fact C(norvik_devices), the
    devices as norvik-scan's JSON lists them, each with its C(protocols) and C(warnings) (no
    address, link-local, a duplicate address or MAC, outside every card's subnet).
  - An ONVIF camera that answers no device protocol has C(list_index) null, and C(mac) null
    where the host's neighbour table does not know it; the device modules cannot change it.
  - Changes nothing.
  - Linux site hosts only; Windows site hosts are not covered.
version_added: "3.0.0"
author: The Norvik developers
options:
  timeout:
    description: Seconds to listen for answers.
    type: float
    default: 3
  norvik_scan:
    description: The norvik-scan program to run, by name on the PATH or by path.
    type: str
    default: norvik-scan
attributes:
  check_mode:
    support: full
    description: The same search, which changes nothing.
"""

EXAMPLES = r"""
- name: What is on the site's network
  norvik.devices.scan:
- name: Devices with a duplicate address
  ansible.builtin.debug:
    msg: "{{ norvik_devices | selectattr('warnings', 'contains', 'duplicate-ip') | map(attribute='mac') }}"
"""

RETURN = r"""
ansible_facts:
  description: C(norvik_devices), the devices found, each with its warnings.
  returned: always
  type: dict
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.norvik.devices.plugins.module_utils.norvik import parse_json


def main():
    module = AnsibleModule(argument_spec=dict(timeout=dict(type="float", default=3),
                                              norvik_scan=dict(type="str", default="norvik-scan")),
                           supports_check_mode=True)
    program = module.get_bin_path(module.params["norvik_scan"], required=True)
    rc, stdout, stderr = module.run_command(
        [program, "--json", "--timeout", str(module.params["timeout"])])
    document = parse_json(stdout)
    if rc != 0 or document is None:
        module.fail_json(msg=(document or {}).get("error") or stderr.strip(), rc=rc)
    module.exit_json(changed=False, ansible_facts=dict(norvik_devices=document["devices"]))


if __name__ == "__main__":
    main()
