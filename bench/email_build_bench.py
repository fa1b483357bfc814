#!/usr/bin/python3
"""Python's email package building the messages the program's build-only rows build.

Each message is personalised like BuildPersonalised's: its own To name and address, a subject
with the name, a plain text and an HTML alternative with the name (base64, as the program's
"Encode QP" gives), a Message-ID and a Date, and with --attachment the same 50 KB file as an
attachment part. The attachment is read once; every message is written to its bytes with the
SMTP policy (CR LF lines). Prints messages per second. Figures only.
"""
import argparse
import random
import time
from email.message import EmailMessage
from email.policy import SMTP
from email.utils import formatdate, make_msgid


def build(index, attachment):
    name = "Customer N\u00famero %d" % index
    message = EmailMessage(policy=SMTP)
    message["From"] = "Brevanto Sales <sender@example.com>"
    message["To"] = "%s <customer%d@example.org>" % (name, index)
    message["Subject"] = "News for you, %s" % name
    message["Message-ID"] = make_msgid(domain="smtp.example.com")
    message["Date"] = formatdate(localtime=True)
    message.set_content("Hello %s\n\n%s\n" % (name, "y" * 1500), cte="base64")
    message.add_alternative("<html><body><h1>Hello %s</h1><p>%s</p></body></html>" % (name, "x" * 2000),
                            subtype="html", cte="base64")
    if attachment is not None:
        message.add_attachment(attachment, maintype="application", subtype="pdf", filename="brochure.pdf")
    return message.as_bytes()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--messages", type=int, default=1000)
    parser.add_argument("--attachment", action="store_true")
    args = parser.parse_args()
    attachment = random.Random(7).randbytes(50 * 1024) if args.attachment else None

    start = time.monotonic()
    size = 0
    for index in range(args.messages):
        size += len(build(index, attachment))
    elapsed = time.monotonic() - start
    print("email build %7d messages  %9.1f messages/s  %6.1f KB each"
          % (args.messages, args.messages / elapsed, size / args.messages / 1024))


if __name__ == "__main__":
    main()
