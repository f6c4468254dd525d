# The collection's modules run as Ansible runs them on a site host, with a stand-in for
# norvik-set and norvik-scan: the command lines they build, and what each answer makes of the
# task (changed, failed, its message, its diff).
import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
COLLECTIONS = os.path.join(HERE, "..", "..", "ansible")
MODULES = os.path.join(COLLECTIONS, "ansible_collections", "norvik", "devices", "plugins",
                       "modules")
FAKE = os.path.join(HERE, "fake_norvik.py")
sys.path.insert(0, COLLECTIONS)

from ansible_collections.norvik.devices.plugins.module_utils import norvik  # noqa: E402

CAMERA = {"mac": "02:00:00:00:00:01", "name": "good", "ip": "10.0.0.1"}


def answer(outcome, changes=(), differs=(), **more):
    """One device's object as norvik-set --json prints it."""
    result = {"mac": "02:00:00:00:00:01", "before": CAMERA, "changes": list(changes),
              "request": "5043" if changes else None, "outcome": outcome, "after": None,
              "differs": list(differs), "not_shown": [], "refusal": None}
    result.update(more)
    return result


NAME_CHANGE = [{"field": "name", "old": "good", "new": "hall"}]


class Module:
    """Runs a module with arguments and a stand-in's answer; its result and the stand-in's runs."""

    def __init__(self, which, output, exit_code=0, check_mode=False, **args):
        with tempfile.TemporaryDirectory() as directory:
            log = os.path.join(directory, "runs.jsonl")
            program = "norvik_scan" if which == "scan" else "norvik_set"
            args[program] = FAKE
            if check_mode:
                args["_ansible_check_mode"] = True
            arguments = os.path.join(directory, "args.json")
            with open(arguments, "w", encoding="utf-8") as out:
                json.dump({"ANSIBLE_MODULE_ARGS": args}, out)
            environment = dict(os.environ, PYTHONPATH=COLLECTIONS, FAKE_NORVIK_LOG=log,
                               HOME=directory,
                               FAKE_NORVIK_OUTPUT=json.dumps(output),
                               FAKE_NORVIK_EXIT=str(exit_code))
            run = subprocess.run([sys.executable, os.path.join(MODULES, which + ".py"), arguments],
                                 env=environment, capture_output=True, text=True, check=False,
                                 stdin=subprocess.DEVNULL, timeout=60)
            self.result = json.loads(run.stdout)
            self.runs = []
            if os.path.exists(log):
                with open(log, encoding="utf-8") as runs:
                    self.runs = [json.loads(line) for line in runs]


class DeviceModule(unittest.TestCase):
    def test_the_command_line_names_every_setting_and_who_asks(self):
        module = Module("device", answer("applied", NAME_CHANGE), mac="02:00:00:00:00:01",
                        name="hall", ip="10.0.0.9", netmask="255.255.0.0", gateway="10.0.0.254",
                        dns1="9.9.9.9", dns2="1.1.1.1", port=8080, mode="static", force=True,
                        allow_gateway_outside_subnet=True, reason="ticket 17",
                        audit="/var/tmp/a.jsonl", user="ana", controller="desk-3",
                        timeout=1.5)
        self.assertEqual(module.runs, [{"args": [
            "--name=hall", "--ip=10.0.0.9", "--netmask=255.255.0.0", "--gateway=10.0.0.254",
            "--dns1=9.9.9.9", "--dns2=1.1.1.1", "--port=8080", "--static", "--json", "--timeout",
            "1.5", "--verify-timeout", "30.0", "--force", "--yes", "--audit=/var/tmp/a.jsonl",
            "--reason=ticket 17 (ansible: ana@desk-3)", "--", "02:00:00:00:00:01"],
            "stdin": ""}])
        self.assertTrue(module.result["changed"])
        self.assertEqual(module.result["outcome"], "applied")
        self.assertEqual(module.result["diff"], {"before": {"name": "good"},
                                                 "after": {"name": "hall"}})

    def test_a_device_that_matches_is_unchanged_and_check_mode_only_looks(self):
        same = Module("device", answer("nothing to change"), mac="02:00:00:00:00:01", name="good")
        self.assertFalse(same.result["changed"])
        self.assertNotIn("failed", same.result)
        self.assertNotIn("--dry-run", same.runs[0]["args"])
        self.assertNotIn("--yes", same.runs[0]["args"])
        looked = Module("device", answer("dry run", NAME_CHANGE), check_mode=True,
                        mac="02:00:00:00:00:01", name="hall", mode="dhcp")
        self.assertEqual(len(looked.runs), 1)
        self.assertIn("--dry-run", looked.runs[0]["args"])
        self.assertIn("--dhcp", looked.runs[0]["args"])
        self.assertTrue(looked.result["changed"])
        self.assertEqual(looked.result["diff"]["after"], {"name": "hall"})

    def test_each_outcome_short_of_applied_fails_with_what_was_seen(self):
        cases = [
            (answer("not applied", NAME_CHANGE,
                    [{"field": "name", "sent": "hall", "reported": "good"}]), 3, True,
             "not applied: name good (sent hall)"),
            (answer("not verifiable", NAME_CHANGE, not_shown=["mode"]), 5, True,
             "not verifiable: its report does not show mode"),
            (answer("refused", NAME_CHANGE, refusal={"text": "x", "meaning": "wrong password"}),
             6, True, "refused: it answers x (wrong password)"),
            (answer("no answer", NAME_CHANGE), 4, True, "no answer"),
            (answer("not found", before=None, error="no device with the MAC address "
                    "02:00:00:00:00:01 answered", exit_code=4), 4, False,
             "not found: no device with the MAC address 02:00:00:00:00:01 answered"),
            (answer("not sent", error="not sent: the port 0 is no web port", exit_code=2), 2,
             False, "not sent: not sent: the port 0 is no web port"),
            # Interrupted before a request went out, and while the one sent was verified.
            (answer("interrupted", error="interrupted while searching: nothing sent",
                    exit_code=130), 130, False,
             "interrupted: interrupted while searching: nothing sent"),
            (answer("interrupted", NAME_CHANGE), 130, True, "interrupted"),
        ]
        for output, exit_code, changed, message in cases:
            with self.subTest(outcome=output["outcome"]):
                module = Module("device", output, exit_code, mac="02:00:00:00:00:01", name="hall")
                self.assertTrue(module.result.get("failed"))
                self.assertEqual(module.result["msg"], message)
                self.assertEqual(module.result["changed"], changed)
                self.assertEqual(module.result["rc"], exit_code)

    def test_an_answer_that_is_no_json_fails_saying_so(self):
        module = Module("device", "garbage", 1, mac="02:00:00:00:00:01", name="x")
        self.assertTrue(module.result.get("failed"))
        self.assertIn("gave no JSON (exit code 1)", module.result["msg"])


class PlanModule(unittest.TestCase):
    def test_the_plays_devices_become_a_plan_file_on_standard_input(self):
        module = Module("plan", {"devices": [answer("applied", NAME_CHANGE, line=2)]},
                        devices=[{"mac": "02:00:00:00:00:01", "name": 'Hall, "east"\nside',
                                  "port": 80},
                                 {"mac": "02:00:00:00:00:02", "name": "'t yard ",
                                  "mode": "dhcp"}])
        self.assertEqual(module.runs[0]["args"][:2], ["--plan", "-"])
        # Quoted whole, so that the reader keeps blanks; a leading quote is the reader's mark.
        self.assertEqual(module.runs[0]["stdin"],
                         "mac,name,ip,netmask,gateway,dns1,dns2,port,mode\n"
                         '"02:00:00:00:00:01","Hall, ""east""\nside","","","","","","80",""\n'
                         '"02:00:00:00:00:02","\'\'t yard ","","","","","","","dhcp"\n')
        self.assertTrue(module.result["changed"])

    def test_one_device_short_of_applied_fails_the_task_and_each_is_told(self):
        devices = [answer("applied", NAME_CHANGE, line=2),
                   dict(answer("not applied", NAME_CHANGE,
                               [{"field": "name", "sent": "hall", "reported": "deaf"}], line=3),
                        mac="02:00:00:00:00:02"),
                   dict(answer("nothing to change", line=4), mac="02:00:00:00:00:03")]
        module = Module("plan", {"devices": devices}, 3, csv="mac,name\n")
        self.assertTrue(module.result["failed"])
        self.assertTrue(module.result["changed"])
        self.assertEqual(module.result["msg"],
                         "02:00:00:00:00:02 (line 3): not applied: name deaf (sent hall)")
        self.assertEqual([(d["changed"], d["failed"]) for d in module.result["devices"]],
                         [(True, False), (True, True), (False, False)])
        self.assertEqual(sorted(module.result["diff"]["after"]),
                         ["02:00:00:00:00:01", "02:00:00:00:00:02"])

    def test_a_plan_with_problems_fails_with_them_and_nothing_changed(self):
        problems = {"problems": [{"line": 2, "message": "not a MAC address"}],
                    "error": "nothing sent: the plan has problems", "exit_code": 2}
        module = Module("plan", problems, 2, csv="mac\nx\n")
        self.assertTrue(module.result["failed"])
        self.assertFalse(module.result["changed"])
        self.assertEqual(module.result["problems"], problems["problems"])

    def test_a_device_with_an_unknown_setting_or_no_mac_is_refused_before_running(self):
        for device, message in (({"mac": "02:00:00:00:00:01", "address": "x"},
                                  "a plan's device has no setting address"),
                                ({"mac": "", "name": "x"}, "a plan's device has no mac")):
            with self.subTest(message):
                module = Module("plan", {}, devices=[device])
                self.assertTrue(module.result["failed"])
                self.assertEqual(module.result["msg"], message)
                self.assertEqual(module.runs, [])


class ScanModule(unittest.TestCase):
    def test_the_devices_become_facts_and_nothing_changes(self):
        devices = [dict(CAMERA, warnings=["duplicate-ip"])]
        module = Module("scan", {"rows": [], "devices": devices, "dropped_devices": 0},
                        check_mode=True, timeout=1)
        self.assertEqual(module.runs[0]["args"], ["--json", "--timeout", "1.0"])
        self.assertFalse(module.result["changed"])
        self.assertEqual(module.result["ansible_facts"], {"norvik_devices": devices})


class Documentation(unittest.TestCase):
    def test_ansible_doc_reads_each_module_and_names_every_argument_it_takes(self):
        home = tempfile.TemporaryDirectory()
        self.addCleanup(home.cleanup)
        environment = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=COLLECTIONS, HOME=home.name)
        for which in ("scan", "device", "plan"):
            with self.subTest(which):
                run = subprocess.run(["ansible-doc", "--json", "norvik.devices." + which],
                                     env=environment, capture_output=True, text=True,
                                     check=False, timeout=120)
                self.assertEqual(run.returncode, 0, run.stderr)
                documented = json.loads(run.stdout)["norvik.devices." + which]["doc"]["options"]
                # What the module takes: its invocation lists every argument it knows.
                taken = Module(which, {}, bogus=1).result["invocation"]["module_args"]
                self.assertEqual(sorted(documented), sorted(set(taken) - {"bogus"}))


class ReasonText(unittest.TestCase):
    def test_who_and_where_are_always_said(self):
        self.assertEqual(norvik.reason_text(None, "ana", "desk"), "ansible: ana@desk")
        self.assertEqual(norvik.reason_text("t 1", None, None), "t 1 (ansible: unknown@unknown)")


if __name__ == "__main__":
    unittest.main()
