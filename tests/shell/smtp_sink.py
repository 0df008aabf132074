#!/usr/bin/python3
# Quorva run-time. Licensed under the MIT licence.
"""An SMTP server for the mail client's tests.

Usage: smtp_sink.py DIRECTORY

Listens on a free port of 127.0.0.1 and, once it accepts connections, prints a line with that
port and its process id. Each message it takes becomes two files in DIRECTORY, numbered from 1: N.env holds
the envelope ("HELO name", "MAIL address", one "RCPT address" per accepted recipient), N.eml the
message bytes as the server stores them (dot-stuffing undone). A recipient whose local part
begins with "nobody" is rejected with 550. Runs until it is terminated.
"""
import asyncio
import os
import sys

from aiosmtpd.smtp import SMTP


class Sink:
    def __init__(self, directory):
        self.directory = directory
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, options):
        if address.split("@")[0].startswith("nobody"):
            return "550 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.directory, str(self.count))
        lines = ["HELO " + (session.host_name or ""), "MAIL " + envelope.mail_from]
        lines += ["RCPT " + address for address in envelope.rcpt_tos]
        # The message first: the test reads it once the envelope file exists.
        with open(base + ".eml", "wb") as out:
            out.write(envelope.content)
        with open(base + ".env.part", "w", encoding="utf-8") as out:
            out.write("\n".join(lines) + "\n")
        os.rename(base + ".env.part", base + ".env")
        return "250 Message accepted for delivery"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    loop = asyncio.new_event_loop()
    sink = Sink(sys.argv[1])
    server = loop.run_until_complete(
        loop.create_server(lambda: SMTP(sink, hostname="sink.test", loop=loop), "127.0.0.1", 0))
    print(server.sockets[0].getsockname()[1], os.getpid(), flush=True)
    loop.run_forever()


if __name__ == "__main__":
    main()
