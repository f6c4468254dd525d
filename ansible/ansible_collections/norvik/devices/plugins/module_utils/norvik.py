# -*- coding: utf-8 -*-
# The collection's use of the installed norvik-set and norvik-scan: their command lines, and
# what their JSON means for a task. Nothing here imports Ansible, so that it is tested alone.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import csv
import io
import json

# The settings a device module or a plan line may give, as norvik-set's options and its plan
# file's columns name them.
ADDRESS_FIELDS = ("ip", "netmask", "gateway", "dns1", "dns2")
PLAN_COLUMNS = ("mac", "name") + ADDRESS_FIELDS + ("port", "mode")

# Outcomes after which the device holds what was asked.
DONE_OUTCOMES = ("applied", "nothing to change")
# Exit codes norvik-set gives for a whole run: 0 done, 2 bad usage or refused by the checks.
EXIT_USAGE = 2


def reason_text(reason, user, controller):
    """The audit log's --reason: the play's reason, and who ran it from where."""
    by = "ansible: %s@%s" % (user or "unknown", controller or "unknown")
    return "%s (%s)" % (reason, by) if reason else by


def common_options(params, check_mode):
    """The options every norvik-set run of a task takes."""
    args = ["--json", "--timeout", str(params["timeout"]),
            "--verify-timeout", str(params["verify_timeout"])]
    if params.get("force"):
        args.append("--force")
    # Never a question on a terminal: a task has none to answer on.
    if params.get("allow_gateway_outside_subnet"):
        args.append("--yes")
    if check_mode:
        args.append("--dry-run")
    # A value joined to its option, and the MAC after "--": a value that begins with '-' is
    # never taken for an option of its own.
    if params.get("audit"):
        args.append("--audit=" + params["audit"])
    args.append("--reason=" + reason_text(params.get("reason"), params.get("user"),
                                          params.get("controller")))
    return args


def device_arguments(params, check_mode):
    """norvik-set's command line for one device's wanted settings."""
    args = [params["norvik_set"]]
    if params.get("name") is not None:
        args.append("--name=" + params["name"])
    for field in ADDRESS_FIELDS:
        if params.get(field) is not None:
            args.append("--" + field + "=" + params[field])
    if params.get("port") is not None:
        args.append("--port=" + str(params["port"]))
    if params.get("mode") is not None:
        args.append("--dhcp" if params["mode"] == "dhcp" else "--static")
    return args + common_options(params, check_mode) + ["--", params["mac"]]


def plan_arguments(params, check_mode):
    """norvik-set's command line for a plan read from standard input."""
    return [params["norvik_set"], "--plan", "-"] + common_options(params, check_mode)


def plan_csv(devices):
    """A plan file of the play's devices: every column, empty where a device keeps its value.
    Every cell is quoted, so that norvik-set reads it exactly: the reader trims blanks around
    a cell that is not, and takes a line that starts with '#' for a comment."""
    out = io.StringIO()
    out.write(",".join(PLAN_COLUMNS) + "\n")
    writer = csv.writer(out, lineterminator="\n", quoting=csv.QUOTE_ALL)
    for device in devices:
        unknown = sorted(set(device) - set(PLAN_COLUMNS))
        if unknown:
            raise ValueError("a plan's device has no setting %s" % ", ".join(unknown))
        # A row without one would be passed over as empty.
        if not device.get("mac"):
            raise ValueError("a plan's device has no mac")
        row = []
        for column in PLAN_COLUMNS:
            value = device.get(column)
            text = "" if value is None else str(value)
            # The reader strips one leading quote from a name: the mark a saved scan gives a
            # name a spreadsheet would take for a formula.
            if column == "name" and text.startswith("'"):
                text = "'" + text
            row.append(text)
        writer.writerow(row)
    return out.getvalue()


def diff_of(result):
    """Ansible's diff of one device: its changed fields before and after."""
    before = {}
    after = {}
    for change in result.get("changes") or []:
        before[change["field"]] = change["old"]
        after[change["field"]] = change["new"]
    return {"before": before, "after": after}


def device_outcome(result, check_mode):
    """(changed, failure message or None) for one device's JSON object."""
    outcome = result.get("outcome")
    if outcome == "nothing to change":
        return False, None
    if check_mode and outcome == "dry run":
        return True, None
    if outcome == "applied":
        return True, None
    message = outcome or "failed"
    details = [result["error"]] if result.get("error") else []
    details += [d["field"] + " " + str(d["reported"]) + " (sent " + str(d["sent"]) + ")"
               for d in result.get("differs") or []]
    if result.get("not_shown"):
        details.append("its report does not show " + ", ".join(result["not_shown"]))
    if result.get("refusal"):
        details.append("it answers %s (%s)" % (result["refusal"]["text"],
                                               result["refusal"]["meaning"]))
    if details:
        message += ": " + "; ".join(details)
    # What norvik-set sent or not is what the task says it changed: a run interrupted before
    # sending names no request.
    sent = outcome not in (None, "not found", "not sent") and result.get("request") is not None
    return sent, message


def parse_json(stdout):
    """norvik-set's and norvik-scan's one JSON document, or None."""
    try:
        document = json.loads(stdout)
    except ValueError:
        return None
    return document if isinstance(document, dict) else None
