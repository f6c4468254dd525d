# One site's host for the playbook test, run in a network and mount namespace of its own (made
# by norvik-netns and unshare): the Norvik programs installed in /usr/local/bin, the root audit
# log's folder, the device simulator on the site's network, and Debian's sshd on the uplink the
# test joins to the controller. Everything it mounts is seen by this namespace only.
#
# site_host.py WORK ADDRESS OPENSSH DEVSIM NORVIK_SET NORVIK_SCAN
#   OPENSSH is where Debian's openssh-server package is unpacked; WORK holds devices.txt, authorized_keys and host_key (from the test); the simulator's output
#   goes to WORK/heard.txt, the audit log to WORK/log/norvik/audit.jsonl. Prints "uplink?" once
#   its namespace is made, waits for the interface "uplink", prints "ready" when sshd listens,
#   and stops both servers when its standard input closes.
import glob
import os
import socket
import subprocess
import sys
import time

WORK, ADDRESS, OPENSSH, DEVSIM, NORVIK_SET, NORVIK_SCAN = sys.argv[1:7]


def run(*command):
    subprocess.run(command, check=True)


def wait_for(condition, what):
    for _ in range(100):
        if condition():
            return
        time.sleep(0.1)
    sys.exit("site_host: no " + what)


def install_programs():
    programs = os.path.join(WORK, "bin")
    os.mkdir(programs)
    for program in (NORVIK_SET, NORVIK_SCAN):
        os.symlink(program, os.path.join(programs, os.path.basename(program)))
    run("mount", "--bind", programs, "/usr/local/bin")
    log = os.path.join(WORK, "log")
    os.mkdir(log)
    run("mount", "--bind", log, "/var/log")


def sshd_config():
    """Debian's privilege separation wants its user and an empty /run/sshd, not this machine's."""
    run("mount", "-t", "tmpfs", "site-run", "/run")
    os.mkdir("/run/sshd", 0o755)
    with open("/etc/passwd") as users:
        passwd = users.read()
    if "\nsshd:" not in "\n" + passwd:
        passwd += "sshd:x:65534:65534::/run/sshd:/usr/sbin/nologin\n"
    with open(os.path.join(WORK, "passwd"), "w") as users:
        users.write(passwd)
    run("mount", "--bind", os.path.join(WORK, "passwd"), "/etc/passwd")
    config = os.path.join(WORK, "sshd_config")
    with open(config, "w") as out:
        out.write("ListenAddress %s:22\n" % ADDRESS +
                  "HostKey %s/host_key\n" % WORK +
                  "AuthorizedKeysFile %s/authorized_keys\n" % WORK +
                  "StrictModes no\nUsePAM no\nPasswordAuthentication no\n"
                  "KbdInteractiveAuthentication no\nPermitRootLogin prohibit-password\n"
                  "PidFile none\n")
        # Debian 13's sshd runs its sessions through helpers it looks for where it is installed.
        for helper, option in (("sshd-session", "SshdSessionPath"),
                               ("sshd-auth", "SshdAuthPath")):
            path = os.path.join(OPENSSH, "usr", "lib", "openssh", helper)
            if os.path.exists(path):
                out.write("%s %s\n" % (option, path))
    return config


def main():
    print("uplink?", flush=True)
    wait_for(lambda: "uplink" in [name for _, name in socket.if_nameindex()], "uplink")
    run("ip", "address", "add", ADDRESS + "/24", "dev", "uplink")
    run("ip", "link", "set", "uplink", "up")
    install_programs()
    config = sshd_config()
    # Libraries unpacked with it (Debian 12's libwrap).
    libraries = glob.glob(os.path.join(OPENSSH, "usr", "lib", "*-linux-gnu"))
    environment = dict(os.environ, LD_LIBRARY_PATH=os.pathsep.join(libraries))
    sshd = subprocess.Popen([os.path.join(OPENSSH, "usr", "sbin", "sshd"), "-D", "-e", "-f",
                             config], env=environment,
                            stderr=open(os.path.join(WORK, "sshd.log"), "w"))
    # The uplink leads only to the test's controller namespace, no real network.
    heard = open(os.path.join(WORK, "heard.txt"), "w+")
    simulator = subprocess.Popen([DEVSIM, "--real-network", "--file",
                                  os.path.join(WORK, "devices.txt")],
                                 stdout=heard, stderr=subprocess.DEVNULL)

    def listening():
        with open(os.path.join(WORK, "sshd.log")) as log:
            return "Server listening" in log.read()

    def simulating():
        heard.seek(0)
        return "ready" in heard.read()

    wait_for(listening, "sshd")
    wait_for(simulating, "simulator")
    print("ready", flush=True)
    sys.stdin.read()
    for server in (sshd, simulator):
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
