# What a screen reader on Linux hears of the window: the real program on a private X display,
# in a session bus of its own (dbus-run-session) with the accessibility bus, read over AT-SPI as
# Orca reads it. With the German language file every labelled control is named by its label
# (the relation Qt gives it), each field of an address control says which part of which address
# it is, and every button has its text.
#
#   dbus-run-session -- python3 atspi_names_test.py NORVIK RESOURCES
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

NORVIK, RESOURCES = sys.argv[1:3]


def missing():
    """What this test needs that is not here, or nothing."""
    for program in ("Xvfb", "/usr/libexec/at-spi-bus-launcher"):  # the bus starts it
        if shutil.which(program) is None:
            return program
    try:
        import pyatspi  # noqa: F401  pylint: disable=import-outside-toplevel,unused-import
    except ImportError:
        return "pyatspi (python3-pyatspi)"
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        return "a session bus (run it under dbus-run-session)"
    return None


class ScreenReader(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.processes = []
        cls.directory = tempfile.mkdtemp()
        shutil.copy(os.path.join(RESOURCES, "de", "Language.ini"), cls.directory)
        display_file = os.path.join(cls.directory, "display")
        with open(display_file, "w") as out:
            cls.start(["Xvfb", "-displayfd", str(out.fileno()), "-nolisten", "tcp"],
                      pass_fds=(out.fileno(),))
        for _ in range(100):
            if os.path.getsize(display_file) > 0:
                break
            time.sleep(0.1)
        with open(display_file) as display:
            os.environ["DISPLAY"] = ":" + display.read().strip()
        cls.accessibility_bus()
        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                           HOME=cls.directory)
        cls.start([NORVIK], cwd=cls.directory, env=environment)

    @staticmethod
    def accessibility_bus():
        """Asks the session bus for the accessibility bus, which starts it, until it answers:
        Qt looks for it once, when the program starts."""
        from gi.repository import Gio  # pylint: disable=import-outside-toplevel
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        for _ in range(300):
            try:
                session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                  None, None, Gio.DBusCallFlags.NONE, 1000, None)
                return
            except Exception:  # pylint: disable=broad-except
                time.sleep(0.1)
        raise RuntimeError("the accessibility bus did not start")

    @classmethod
    def start(cls, command, **more):
        cls.processes.append(subprocess.Popen(command, stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL, **more))

    @classmethod
    def tearDownClass(cls):
        for process in reversed(cls.processes):
            process.terminate()
            process.wait()
        shutil.rmtree(cls.directory)

    def window(self):
        import pyatspi  # pylint: disable=import-outside-toplevel
        for _ in range(300):
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                application = desktop.getChildAtIndex(i)
                if application is not None and application.name == "Norvik" and \
                        application.childCount > 0:
                    return application.getChildAtIndex(0)
            time.sleep(0.1)
        self.fail("Norvik did not appear on the accessibility bus")
        return None

    def test_every_control_is_named_as_its_label_reads(self):
        import pyatspi  # pylint: disable=import-outside-toplevel
        controls = [self.window().getChildAtIndex(i)
                    for i in range(self.window().childCount)]
        labelled = {}
        for control in controls:
            for relation in control.getRelationSet():
                if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                    labelled[control.name] = relation.getTarget(0).name
        # Every control with a label on screen: its name is the label's text.
        self.assertEqual(labelled, {name: name for name in labelled})
        self.assertEqual(sorted(labelled), sorted(
            ["Name", "IP", "Maske", "Gateway", "DNS 1", "DNS 2", "Web-Port", "MAC", "UserName",
             "Password"]))
        # The device list, named by the label above it.
        self.assertEqual([control.name for control in controls
                          if control.getRole() == pyatspi.ROLE_TREE], ["Geräteliste"])
        addresses = [control for control in controls if control.getRole() == pyatspi.ROLE_FILLER]
        self.assertEqual(sorted(address.name for address in addresses),
                         ["DNS 1", "DNS 2", "Gateway", "IP", "Maske"])
        for address in addresses:
            fields = [address.getChildAtIndex(i) for i in range(address.childCount)]
            self.assertEqual([field.name for field in fields if field.getRole() == pyatspi.ROLE_TEXT],
                             ["%s, part %d of 4" % (address.name, part) for part in range(1, 5)])
        # By role, not by the role's name, which AT-SPI renamed ("push button", now "button").
        buttons = {control.name for control in controls
                   if control.getRole() in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_RADIO_BUTTON)}
        self.assertEqual(buttons, {"Geräte suchen", "Senden", "Beenden", "Statisch", "DHCP"})


def in_private_network():
    """Whether this runs in the namespace norvik-netns made for it, where nothing sent reaches a
    real network."""
    return os.environ.get("NORVIK_PRIVATE_NETNS") == str(os.stat("/proc/self/ns/net").st_ino)


if __name__ == "__main__":
    if not in_private_network():
        print("atspi_names_test: run it inside norvik-netns, as CTest does: the window "
              "broadcasts as it starts; not run")
        sys.exit(1 if os.environ.get("NORVIK_REQUIRE_NETWORK_TESTS") == "1" else 77)
    lacking = missing()
    if lacking is not None:
        print("atspi_names_test: %s is missing (./dev.sh test installs it); not run" % lacking)
        # CI is not green without it.
        sys.exit(1 if os.environ.get("NORVIK_REQUIRE_NETWORK_TESTS") == "1" else 77)
    unittest.main(argv=sys.argv[:1])
