# ansible-playbook with the collection against the device simulator and the real norvik-set,
# inside the private network namespace CTest runs it in (norvik-netns): the shipped example
# playbook sets a site's plan; a second run changes nothing and sends nothing; check mode sends
# nothing; a device that ignores its request fails its task while the others are set; a device
# missing from the network fails with "not found"; the audit log holds exactly the changes.
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
COLLECTIONS = os.path.normpath(os.path.join(HERE, "..", "..", "ansible"))
EXAMPLES = os.path.join(COLLECTIONS, "ansible_collections", "norvik", "devices", "examples")
NORVIK_SET, NORVIK_SCAN, DEVSIM = sys.argv[1:4]

DEVICES = """pcedit mac=02:00:00:00:00:01 ip=10.0.0.1 name=gate
pcedit mac=02:00:00:00:00:02 ip=10.0.0.2 name=deaf on_set=ignore
3297 mac=02:00:00:00:00:03 ip=10.0.0.3 name=yard
pcedit mac=02:00:00:00:00:05 ip=10.0.0.5 name=five
"""
PLAN = "mac,name,ip\n02:00:00:00:00:01,north-gate,10.0.0.101\n02:00:00:00:00:03,yard,\n"

FAILURES = """- hosts: sites
  gather_facts: false
  tasks:
    - name: A plan with a device that ignores its request
      norvik.devices.plan:
        devices:
          - {mac: "02:00:00:00:00:02", name: still-deaf}
          - {mac: "02:00:00:00:00:05", name: five-b}
        audit: "{{ norvik_audit }}"
        verify_timeout: 3
      register: plan
      ignore_errors: true
    - name: A device missing from the network
      norvik.devices.device:
        mac: "02:00:00:00:00:99"
        name: nobody
        audit: "{{ norvik_audit }}"
      register: missing
      ignore_errors: true
    - name: What became of them
      ansible.builtin.copy:
        content: "{{ {'plan': plan, 'missing': missing} | to_json }}"
        dest: "{{ results }}"
"""


class Playbook(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.directory = tempfile.mkdtemp()
        shutil.copytree(EXAMPLES, os.path.join(cls.directory, "play"))
        os.mkdir(os.path.join(cls.directory, "play", "plans"))
        with open(os.path.join(cls.directory, "play", "plans", "site-a.csv"), "w") as plan:
            plan.write(PLAN)
        cls.audit = os.path.join(cls.directory, "audit.jsonl")
        with open(os.path.join(cls.directory, "inventory.ini"), "w") as inventory:
            inventory.write("[sites]\nsite-a ansible_connection=local ansible_python_interpreter="
                            "/usr/bin/python3 norvik_audit=%s norvik_verify_timeout=5\n"
                            % cls.audit)
        with open(os.path.join(cls.directory, "devices.txt"), "w") as devices:
            devices.write(DEVICES)
        cls.heard = open(os.path.join(cls.directory, "heard.txt"), "w+")
        cls.simulator = subprocess.Popen([DEVSIM, "--file", os.path.join(cls.directory,
                                                                         "devices.txt")],
                                         stdout=cls.heard, stderr=subprocess.DEVNULL)
        for _ in range(100):
            cls.heard.seek(0)
            if "ready" in cls.heard.read():
                break
            time.sleep(0.1)

    @classmethod
    def tearDownClass(cls):
        cls.simulator.terminate()
        cls.simulator.wait()
        cls.heard.close()
        shutil.rmtree(cls.directory)

    def play(self, playbook, *more):
        programs = os.pathsep.join([os.path.dirname(NORVIK_SET), os.path.dirname(NORVIK_SCAN)])
        environment = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=COLLECTIONS,
                           ANSIBLE_NOCOLOR="1", ANSIBLE_RETRY_FILES_ENABLED="0",
                           ANSIBLE_LOCAL_TEMP=os.path.join(self.directory, "tmp"),
                           ANSIBLE_REMOTE_TEMP=os.path.join(self.directory, "tmp"),
                           HOME=self.directory,
                           PATH=programs + os.pathsep + os.environ["PATH"])
        run = subprocess.run(["ansible-playbook", "-i",
                              os.path.join(self.directory, "inventory.ini"), playbook] +
                             list(more), env=environment, capture_output=True, text=True,
                             timeout=300, check=False)
        sys.stderr.write(run.stdout)
        return run

    def set_requests_heard(self):
        self.heard.seek(0)
        return [line for line in self.heard.read().splitlines()
                if line.startswith(("applied ", "ignored set"))]

    def audit_lines(self):
        if not os.path.exists(self.audit):
            return []
        with open(self.audit) as log:
            return [json.loads(line) for line in log]

    def test_the_plan_is_set_once_then_left_alone_and_failures_are_told(self):
        site_plan = os.path.join(self.directory, "play", "site-plan.yml")
        check = self.play(site_plan, "--check", "--diff")
        self.assertEqual(check.returncode, 0, check.stdout)
        self.assertIn("site-a                     : ok=1    changed=1", check.stdout)
        self.assertIn('+        "name": "north-gate"', check.stdout)
        self.assertEqual(self.set_requests_heard(), [])
        self.assertEqual(self.audit_lines(), [])

        first = self.play(site_plan, "-e", '{"reason": "ticket 17"}')
        self.assertEqual(first.returncode, 0, first.stdout)
        self.assertIn("changed=1", first.stdout)
        self.assertEqual(len(self.set_requests_heard()), 1)
        lines = self.audit_lines()
        self.assertEqual([(l["event"], l["mac"]) for l in lines],
                         [("sent", "02:00:00:00:00:01"), ("outcome", "02:00:00:00:00:01")])
        self.assertEqual(lines[0]["reason"],
                         "ticket 17 (ansible: root@%s)" % socket.gethostname())
        self.assertEqual(lines[1]["outcome"], "applied")

        second = self.play(site_plan)
        self.assertEqual(second.returncode, 0, second.stdout)
        self.assertIn("site-a                     : ok=1    changed=0", second.stdout)
        self.assertEqual(len(self.set_requests_heard()), 1)
        self.assertEqual(len(self.audit_lines()), 2)

        failing = os.path.join(self.directory, "failures.yml")
        with open(failing, "w") as out:
            out.write(FAILURES)
        results = os.path.join(self.directory, "results.json")
        run = self.play(failing, "-e", "results=" + results)
        self.assertEqual(run.returncode, 0, run.stdout)
        with open(results) as out:
            seen = json.load(out)
        self.assertTrue(seen["plan"]["failed"])
        self.assertEqual(seen["plan"]["msg"], "02:00:00:00:00:02 (line 2): not applied: "
                         "name deaf (sent still-deaf)")
        self.assertEqual([(d["mac"], d["outcome"]) for d in seen["plan"]["devices"]],
                         [("02:00:00:00:00:02", "not applied"), ("02:00:00:00:00:05", "applied")])
        self.assertTrue(seen["missing"]["failed"])
        self.assertEqual(seen["missing"]["outcome"], "not found")
        self.assertEqual(len(self.audit_lines()), 6)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
