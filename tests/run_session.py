# Quorva run-time. Licensed under the MIT licence.
"""What the end-to-end script tests share: polling for a condition, an rtquorva process that
qlink watches and steers as the editor does, test cases that share one such run, and the demo
package run on Qt's offscreen platform with images of its screens."""

import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest


def eventually(check, seconds=10.0):
    """Polls `check` until it returns a true value (returned) or the time is up (None)."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = check()
        if value:
            return value
        time.sleep(0.05)
    return None


class RuntimeSession:
    """rtquorva started with `arguments` in `env`, and qlink pointed at `project`."""

    def __init__(self, rtquorva, qlink, project, arguments, env):
        self.qlink_program = qlink
        self.project = project
        self.env = env
        self.process = subprocess.Popen([rtquorva, *arguments], env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def wait_up(self, seconds):
        """Whether the run-time answered qlink within `seconds`; it is killed when not."""
        if self.qlink_status("wait-up", "--timeout", str(seconds)) == 0:
            return True
        self.process.kill()
        return False

    def output(self):
        return self.process.stdout.read()

    def qlink_run(self, *args):
        return subprocess.run([self.qlink_program, "--project", self.project, *args],
                              env=self.env, capture_output=True, text=True, timeout=60)

    def qlink_status(self, *args):
        return self.qlink_run(*args).returncode

    def stop(self):
        """Ends the run as a service manager does (SIGTERM); its exit code."""
        self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout=30)
        finally:
            if self.process.poll() is None:
                self.process.kill()


class QlinkAssertions:
    """For test cases whose class has a `session`: qlink that must succeed, giving its output."""

    def qlink(self, *args):
        done = self.session.qlink_run(*args)
        self.assertEqual(done.returncode, 0, f"qlink {args}: {done.stderr}")
        return done.stdout.strip()


class SessionCase(QlinkAssertions):
    """For a unittest.TestCase whose tests share one run: its setUpClass makes the temporary
    directory `dir` and calls start_session; tearDownClass stops the run (its exit code in
    `exit_code`) and removes the directory."""

    @classmethod
    def start_session(cls, rtquorva, qlink, project, arguments, env, seconds):
        cls.session = RuntimeSession(rtquorva, qlink, project, arguments, env)
        if not cls.session.wait_up(seconds):
            raise RuntimeError("the run-time did not come up: %s" % cls.session.output())

    @classmethod
    def tearDownClass(cls):
        try:
            cls.exit_code = cls.session.stop()
        finally:
            shutil.rmtree(cls.dir, ignore_errors=True)


class DemoSessionCase(SessionCase):
    """A copy of the demo package run for `run_for` seconds on Qt's offscreen platform, writing
    an image of each open screen every 250 ms into `shots`, with `values` set through qlink
    once it is up (so that the tank holds still for the test). Call start_demo from setUpClass;
    `name` tells the temporary directory and the instance apart."""

    @classmethod
    def start_demo(cls, name, rtquorva, qlink, package, run_for, values):
        cls.dir = tempfile.mkdtemp(prefix="quorva-%s-" % name)
        cls.package = os.path.join(cls.dir, "demo.qpk")
        shutil.copy(package, cls.package)
        cls.shots = os.path.join(cls.dir, "shots")
        cls.env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
                       QUORVA_INSTANCE="%s%d" % (name, os.getpid()))
        cls.start_session(rtquorva, qlink, cls.package,
                          ["--run-for", str(run_for), "--screenshot", cls.shots,
                           "--screenshot-every", "250", cls.package], cls.env, 30)
        for variable, value in values:
            cls.session.qlink_status("set", variable, value)

    def image_after(self, screen, moment, seconds=10.0):
        """The pixel rows of the first periodic image of `screen` written after `moment` (a
        time.time()); the test fails when none comes within `seconds`."""
        # png_pixels sits beside the screen tests, which put their folder on the path.
        from png_pixels import read_png

        def newer():
            shots = [path for path in glob.glob(os.path.join(self.shots, screen + "-*.png"))
                     if re.search(r"-\d+\.png$", path) and os.path.getmtime(path) > moment + 0.3]
            return min(shots, key=os.path.getmtime) if shots else None
        path = eventually(newer, seconds)
        self.assertIsNotNone(path, "no image of %s was written" % screen)
        time.sleep(0.2)  # the writer finishes the file
        return read_png(path)[2]


def run_cases(*cases):
    """Runs the test cases in this order, verbosely, and exits with 0 when all passed, else 1."""
    suite = unittest.TestSuite()
    loader = unittest.TestLoader()
    for case in cases:
        suite.addTests(loader.loadTestsFromTestCase(case))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)
