# Quorva run-time. Licensed under the MIT licence.
"""End to end: the OPC tank project on Qt's offscreen platform against opcsim --tank on a free
port. The machine configuration ($XDG_CONFIG_HOME/quorva/quorva.ini) points the project's server
name TankSim at that port; the project's unit subscribes the level and switches the pump at its
marks, so opcsim's "write" lines show PumpCommand going True and then False again.
Usage: demo_opc_e2e.py RTQUORVA OPCSIM OPC_TANK_PACKAGE"""

import os
import queue
import re
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

RTQUORVA = OPCSIM = PACKAGE = ""

PUMP_WRITE = re.compile(r"^write \S*PumpCommand = (\S+)$")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def port_open(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


class OpcTankDemo(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.port = free_port()
        config = os.path.join(self.temp.name, "config", "quorva")
        os.makedirs(config)
        with open(os.path.join(config, "quorva.ini"), "w") as f:
            f.write("[OpcServers]\nTankSim = opc.tcp://127.0.0.1:%d\n" % self.port)
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.temp.name, "config"),
                        QT_QPA_PLATFORM="offscreen")
        self.sim = subprocess.Popen([OPCSIM, "--tank", "--port", str(self.port)],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self.read_lines, daemon=True).start()
        deadline = time.monotonic() + 10
        while not port_open(self.port) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.runtime = None

    def read_lines(self):
        for line in self.sim.stdout:
            self.lines.put((time.monotonic(), line.rstrip("\n")))

    def tearDown(self):
        if self.runtime is not None and self.runtime.poll() is None:
            self.runtime.kill()
            self.runtime.wait()
        self.sim.terminate()
        try:
            self.sim.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.sim.kill()
        self.temp.cleanup()

    def test_the_pump_keeps_the_level_between_the_marks(self):
        self.assertTrue(port_open(self.port), "opcsim did not start")
        shots = os.path.join(self.temp.name, "shots")
        started = time.monotonic()
        self.runtime = subprocess.Popen(
            [RTQUORVA, "--headless", "--log-level", "info", "--run-for", "25",
             "--screenshot", shots, PACKAGE],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        # The unit writes False once subscribed, True above the high mark, False below the low
        # mark: both ways within 15 s.
        commands = []
        deadline = started + 15
        while time.monotonic() < deadline and not ("True" in commands and commands[-1] == "False"
                                                   and commands.index("True") < len(commands) - 1):
            try:
                _, line = self.lines.get(timeout=0.2)
            except queue.Empty:
                continue
            match = PUMP_WRITE.match(line)
            if match:
                commands.append(match.group(1))
        self.assertIn("True", commands, "the pump was never switched on: %s" % commands)
        after_on = commands[commands.index("True") + 1:]
        self.assertIn("False", after_on, "the pump was never switched off again: %s" % commands)
        # The run ends cleanly and leaves an image of the screen.
        self.runtime.terminate()
        _, errors = self.runtime.communicate(timeout=30)
        self.assertIn(self.runtime.returncode, (0, -15), errors[-2000:])
        self.assertIn("OPC: connected to", errors)


if __name__ == "__main__":
    RTQUORVA, OPCSIM, PACKAGE = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
