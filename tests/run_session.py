# Quorva run-time. Licensed under the MIT licence.
"""What the end-to-end script tests share: polling for a condition, and an rtquorva process that
qlink watches and steers as the editor does."""

import signal
import subprocess
import time


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
