#!/usr/bin/python3
"""Python smtplib sending prebuilt messages, for comparison with the program's own rows.

Reads the file BM_WritePrebuiltMessages wrote (per message a line "<sender> <recipient>
<length>" and then that many bytes of source) and sends every message to a loopback server:
  one      over one plain connection (smtp-sink's port)
  batch25  over a new plain connection per 25 messages
  tls      over a new implicit-TLS connection per message (the TLS front's port; --ca checks it)
  starttls over a new connection per message upgraded with STARTTLS (the aiosmtpd peer's port)
Prints messages per second. Figures only.
"""
import argparse
import smtplib
import ssl
import time


def read_messages(path):
    messages = []
    with open(path, "rb") as source:
        while True:
            head = source.readline()
            if not head:
                return messages
            sender, recipient, length = head.split()
            messages.append((sender.decode(), recipient.decode(), source.read(int(length))))


def send(client, batch):
    for sender, recipient, data in batch:
        client.sendmail(sender, [recipient], data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--messages", required=True)
    parser.add_argument("--mode", choices=["one", "batch25", "tls", "starttls"], required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--ca")
    args = parser.parse_args()
    messages = read_messages(args.messages)

    start = time.monotonic()
    context = ssl.create_default_context(cafile=args.ca) if args.ca else ssl._create_unverified_context()
    if args.mode == "tls":
        for message in messages:
            with smtplib.SMTP_SSL("127.0.0.1", args.port, context=context) as client:
                send(client, [message])
    elif args.mode == "starttls":
        for message in messages:
            with smtplib.SMTP("127.0.0.1", args.port) as client:
                client.starttls(context=context)
                send(client, [message])
    else:
        size = len(messages) if args.mode == "one" else 25
        for first in range(0, len(messages), size):
            with smtplib.SMTP("127.0.0.1", args.port) as client:
                send(client, messages[first:first + size])
    elapsed = time.monotonic() - start
    print("smtplib %-8s %7d messages  %9.1f messages/s" % (args.mode, len(messages), len(messages) / elapsed))


if __name__ == "__main__":
    main()
