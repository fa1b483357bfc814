#!/usr/bin/python3
"""Parses received messages with Python's email package (policy.default) and prints, as one
JSON array, what each holds: decoded To, From, Cc, Subject, whether a Bcc header is present,
Message-ID, Date, the plain-text and HTML bodies, the attachments (file name and SHA-256 of the
decoded bytes), the number of defects found anywhere in the message, and the envelope
recipients when the file is one of smtp-sink's dumps.

smtp-sink (-d) writes its own header lines first (X-Client-Addr ... X-Rcpt-Args, then a
three-line Received header) and the data as it came over the wire, dot-stuffed: those lines
become the envelope, and a leading ".." is unstuffed, so what is parsed is the message sent.

Arguments: the .eml files, in order.
"""
import email
import email.policy
import hashlib
import json
import sys


def split_sink_dump(data):
    """(envelope recipients, message bytes) of an smtp-sink dump; (None, data) for any other file."""
    if not data.startswith(b"X-Client-Addr: "):
        return None, data
    lines = data.split(b"\n")
    recipients = []
    at = 0
    while not lines[at].startswith(b"Received: "):
        if lines[at].startswith(b"X-Rcpt-Args: "):
            recipients.append(lines[at][len(b"X-Rcpt-Args: "):].decode().strip().strip("<>"))
        at += 1
    at += 1
    while at < len(lines) and lines[at].startswith(b"\t"):
        at += 1
    body = [line[1:] if line.startswith(b"..") else line for line in lines[at:]]
    return recipients, b"\n".join(body)


def describe(path):
    with open(path, "rb") as source:
        envelope, data = split_sink_dump(source.read())
    message = email.message_from_bytes(data, policy=email.policy.default)
    defects = list(message.defects)
    plain = html = None
    attachments = []
    for part in message.walk():
        defects.extend(part.defects)
        if part.is_multipart():
            continue
        if part.get_filename():
            data = part.get_payload(decode=True) or b""
            attachments.append({"name": part.get_filename(), "sha256": hashlib.sha256(data).hexdigest()})
        elif part.get_content_type() == "text/plain" and plain is None:
            plain = part.get_content()
        elif part.get_content_type() == "text/html" and html is None:
            html = part.get_content()
    return {
        "to": str(message.get("To", "")),
        "from": str(message.get("From", "")),
        "cc": str(message.get("Cc", "")),
        "subject": str(message.get("Subject", "")),
        "bcc": "Bcc" in message,
        "messageId": str(message.get("Message-ID", "")),
        "date": str(message.get("Date", "")),
        "envelope": envelope,
        "plain": plain,
        "html": html,
        "attachments": attachments,
        "defects": len(defects),
    }


def main():
    json.dump([describe(path) for path in sys.argv[1:]], sys.stdout)


if __name__ == "__main__":
    main()
