# ansible-playbook with the collection, over SSH, against two sites: this test is the controller
# in the private network namespace CTest runs it in (norvik-netns); each site is a namespace of
# its own joined to it by a veth pair, with the device simulator, the real norvik-set and
# Debian's sshd (site_host.py). The shipped example inventory and playbook set each site's plan;
# a second run changes nothing and sends nothing; check mode sends nothing; a device that
# ignores its request fails its task while the others are set; a device missing from the
# network fails with "not found"; each site's audit log holds exactly its own changes.
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
COLLECTIONS = os.path.normpath(os.path.join(HERE, "..", "..", "ansible"))
EXAMPLES = os.path.join(COLLECTIONS, "ansible_collections", "norvik", "devices", "examples")
NORVIK_NETNS, NORVIK_SET, NORVIK_SCAN, DEVSIM, OPENSSH = sys.argv[1:6]

# The example inventory's sites: the host's address, the controller's end of the link, devices
# and plan.
SITES = {
    "site-north": ("10.20.0.5", "10.20.0.1", """pcedit mac=02:00:00:00:00:01 ip=10.0.0.1 name=gate
pcedit mac=02:00:00:00:00:02 ip=10.0.0.2 name=deaf on_set=ignore
3297 mac=02:00:00:00:00:03 ip=10.0.0.3 name=yard
pcedit mac=02:00:00:00:00:05 ip=10.0.0.5 name=five
""", "mac,name,ip\n02:00:00:00:00:01,north-gate,10.0.0.101\n02:00:00:00:00:03,yard,\n"),
    "site-south": ("10.30.0.5", "10.30.0.1", """3297 mac=02:00:00:00:01:01 ip=10.1.0.1 name=dock
pcedit mac=02:00:00:00:01:02 ip=10.1.0.2 name=lobby
""", "mac,name\n02:00:00:00:01:01,south-dock\n02:00:00:00:01:02,lobby\n"),
}

FAILURES = """- hosts: site-north
  gather_facts: false
  tasks:
    - name: A plan with a device that ignores its request
      norvik.devices.plan:
        devices:
          - {mac: "02:00:00:00:00:02", name: still-deaf}
          - {mac: "02:00:00:00:00:05", name: "'five b "}
        verify_timeout: 3
      register: plan
      ignore_errors: true
    - name: A device missing from the network
      norvik.devices.device:
        mac: "02:00:00:00:00:99"
        name: nobody
      register: missing
      ignore_errors: true
    - name: A MAC that would read as an option
      norvik.devices.device:
        mac: "--dry-run"
        name: nobody
      register: optional
      ignore_errors: true
    - name: What became of them
      ansible.builtin.copy:
        content: "{{ {'plan': plan, 'missing': missing, 'optional': optional} | to_json }}"
        dest: "{{ results }}"
      delegate_to: localhost
"""


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


class Site:
    """A site's host in its namespace, joined to this one by a veth pair."""

    def __init__(self, directory, name, key):
        address, controller, devices, plan = SITES[name]
        self.work = os.path.join(directory, name)
        os.mkdir(self.work)
        with open(os.path.join(self.work, "devices.txt"), "w") as out:
            out.write(devices)
        with open(os.path.join(directory, "play", "plans", name + ".csv"), "w") as out:
            out.write(plan)
        shutil.copy(key + ".pub", os.path.join(self.work, "authorized_keys"))
        run("ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f",
            os.path.join(self.work, "host_key"))
        with open(os.path.join(self.work, "host_key.pub")) as public:
            self.known_host = address + " " + public.read()
        self.host = subprocess.Popen(
            [NORVIK_NETNS, "--", "unshare", "--mount", "--propagation", "private",
             sys.executable, os.path.join(HERE, "site_host.py"), self.work, address, OPENSSH,
             DEVSIM, NORVIK_SET, NORVIK_SCAN],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        try:
            self.join(name, controller)
        except BaseException:
            self.host.kill()
            self.host.wait()
            raise

    def join(self, name, controller):
        if self.host.stdout.readline() != "uplink?\n":
            raise RuntimeError(name + ": the site's namespace was not made")
        link = name.replace("site-", "to-")
        run("ip", "link", "add", link, "type", "veth", "peer", "name", "uplink", "netns",
            str(self.host.pid))
        run("ip", "address", "add", controller + "/24", "dev", link)
        run("ip", "link", "set", link, "up")
        if self.host.stdout.readline() != "ready\n":
            raise RuntimeError(name + ": the site's sshd or simulator did not start")

    def stop(self):
        self.host.stdin.close()
        self.host.stdout.close()
        self.host.wait(timeout=30)

    def set_requests_heard(self):
        with open(os.path.join(self.work, "heard.txt")) as heard:
            return [line for line in heard.read().splitlines()
                    if line.startswith(("applied ", "ignored set"))]

    def audit_lines(self):
        """The root audit log at its default place on the site's host."""
        path = os.path.join(self.work, "log", "norvik", "audit.jsonl")
        if not os.path.exists(path):
            return []
        with open(path) as log:
            return [json.loads(line) for line in log]


def recap(output, host):
    """The PLAY RECAP's counts of one host."""
    lines = [line for line in output.splitlines() if line.startswith(host + " ")]
    return lines[-1].split(":", 1)[1].split() if lines else []


class Playbook(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.directory = tempfile.mkdtemp()
        play = os.path.join(cls.directory, "play")
        shutil.copytree(EXAMPLES, play)
        os.mkdir(os.path.join(play, "plans"))
        key = os.path.join(cls.directory, "controller_key")
        run("ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key)
        cls.sites = {}
        try:
            for name in SITES:
                cls.sites[name] = Site(cls.directory, name, key)
        except BaseException:
            cls.tearDownClass()
            raise
        known_hosts = os.path.join(cls.directory, "known_hosts")
        with open(known_hosts, "w") as out:
            out.writelines(site.known_host for site in cls.sites.values())
        # How this controller reaches the shipped inventory's sites.
        cls.access = os.path.join(cls.directory, "access.ini")
        with open(cls.access, "w") as out:
            out.write("[sites]\nsite-north\nsite-south\n[sites:vars]\n"
                      "ansible_python_interpreter=/usr/bin/python3\n"
                      "ansible_ssh_private_key_file=%s\n" % key +
                      "ansible_ssh_common_args='-o UserKnownHostsFile=%s'\n" % known_hosts +
                      "norvik_verify_timeout=5\n")

    @classmethod
    def tearDownClass(cls):
        for site in cls.sites.values():
            site.stop()
        shutil.rmtree(cls.directory)

    def play(self, playbook, *more):
        environment = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=COLLECTIONS,
                           ANSIBLE_NOCOLOR="1", ANSIBLE_RETRY_FILES_ENABLED="0",
                           ANSIBLE_PIPELINING="1", ANSIBLE_SSH_ARGS="-o ControlMaster=no",
                           ANSIBLE_LOCAL_TEMP=os.path.join(self.directory, "tmp"),
                           HOME=self.directory)
        run = subprocess.run(["ansible-playbook", "-i",
                              os.path.join(EXAMPLES, "inventory.ini"), "-i", self.access,
                              playbook] + list(more), env=environment, capture_output=True,
                             text=True, timeout=300, check=False)
        sys.stderr.write(run.stdout + run.stderr)
        if run.returncode != 0:
            for name, site in self.sites.items():
                with open(os.path.join(site.work, "sshd.log")) as log:
                    sys.stderr.write("%s's sshd:\n%s" % (name, log.read()))
        return run

    def heard(self):
        return {name: len(site.set_requests_heard()) for name, site in self.sites.items()}

    def audited(self):
        return {name: [(line["event"], line["mac"]) for line in site.audit_lines()]
                for name, site in self.sites.items()}

    def test_the_plans_are_set_once_then_left_alone_and_failures_are_told(self):
        site_plan = os.path.join(self.directory, "play", "site-plan.yml")
        check = self.play(site_plan, "--check", "--diff")
        self.assertEqual(check.returncode, 0, check.stdout)
        for name in SITES:
            self.assertIn("changed=1", recap(check.stdout, name))
        self.assertIn('+        "name": "north-gate"', check.stdout)
        self.assertIn('+        "name": "south-dock"', check.stdout)
        self.assertEqual(self.heard(), {"site-north": 0, "site-south": 0})
        self.assertEqual(self.audited(), {"site-north": [], "site-south": []})

        first = self.play(site_plan, "-e", '{"reason": "ticket 17"}')
        self.assertEqual(first.returncode, 0, first.stdout)
        for name in SITES:
            self.assertIn("changed=1", recap(first.stdout, name))
        self.assertEqual(self.heard(), {"site-north": 1, "site-south": 1})
        self.assertEqual(self.audited(), {
            "site-north": [("sent", "02:00:00:00:00:01"), ("outcome", "02:00:00:00:00:01")],
            "site-south": [("sent", "02:00:00:00:01:01"), ("outcome", "02:00:00:00:01:01")]})
        sent, outcome = self.sites["site-north"].audit_lines()
        self.assertEqual(sent["reason"], "ticket 17 (ansible: root@%s)" % socket.gethostname())
        self.assertEqual(sent["user"], "root")
        self.assertEqual(outcome["outcome"], "applied")
        sys.stderr.write("The audit lines of one change:\n%s\n%s\n" % (json.dumps(sent),
                                                                      json.dumps(outcome)))

        second = self.play(site_plan)
        self.assertEqual(second.returncode, 0, second.stdout)
        for name in SITES:
            self.assertIn("changed=0", recap(second.stdout, name))
        self.assertEqual(self.heard(), {"site-north": 1, "site-south": 1})
        self.assertEqual([len(lines) for lines in self.audited().values()], [2, 2])

        failing = os.path.join(self.directory, "failures.yml")
        with open(failing, "w") as out:
            out.write(FAILURES)
        results = os.path.join(self.directory, "results.json")
        failed = self.play(failing, "-e", "results=" + results)
        self.assertEqual(failed.returncode, 0, failed.stdout)
        with open(results) as out:
            seen = json.load(out)
        self.assertTrue(seen["plan"]["failed"])
        self.assertEqual(seen["plan"]["msg"], "02:00:00:00:00:02 (line 2): not applied: "
                         "name deaf (sent still-deaf)")
        self.assertEqual([(d["mac"], d["outcome"]) for d in seen["plan"]["devices"]],
                         [("02:00:00:00:00:02", "not applied"), ("02:00:00:00:00:05", "applied")])
        # The name reached the device as the play wrote it, its quote and blank too.
        self.assertEqual(seen["plan"]["devices"][1]["after"]["name"], "'five b ")
        self.assertTrue(seen["missing"]["failed"])
        self.assertEqual(seen["missing"]["outcome"], "not found")
        self.assertTrue(seen["optional"]["failed"])
        self.assertIn("not a MAC address: --dry-run", seen["optional"]["msg"])
        self.assertEqual([len(lines) for lines in self.audited().values()], [6, 2])


def in_private_network():
    """Whether this runs in the namespace norvik-netns made for it, where nothing sent reaches a
    real network."""
    return os.environ.get("NORVIK_PRIVATE_NETNS") == str(os.stat("/proc/self/ns/net").st_ino)


if __name__ == "__main__":
    if not in_private_network():
        print("playbook_test: run it inside norvik-netns, as CTest does: it adds network links, "
              "and its sites send; not run")
        sys.exit(1 if os.environ.get("NORVIK_REQUIRE_NETWORK_TESTS") == "1" else 77)
    if not os.access(os.path.join(OPENSSH, "usr", "sbin", "sshd"), os.X_OK):
        print("playbook_test: no sshd in %s (./dev.sh test unpacks it); not run" % OPENSSH)
        # CI is not green without it.
        sys.exit(1 if os.environ.get("NORVIK_REQUIRE_NETWORK_TESTS") == "1" else 77)
    unittest.main(argv=sys.argv[:1])
