#!/usr/bin/python3
"""Parses received messages with Python's email package (policy.default) and prints, as one
JSON array, what each holds: decoded To, From, Cc, Subject, whether a Bcc header is present,
Message-ID, the plain-text and HTML bodies, the attachments (file name and SHA-256 of the
decoded bytes) and the number of defects found anywhere in the message.

Arguments: the .eml files, in order.
"""
import email
import email.policy
import hashlib
import json
import sys


def describe(path):
    with open(path, "rb") as source:
        message = email.message_from_binary_file(source, policy=email.policy.default)
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
        "plain": plain,
        "html": html,
        "attachments": attachments,
        "defects": len(defects),
    }


def main():
    json.dump([describe(path) for path in sys.argv[1:]], sys.stdout)


if __name__ == "__main__":
    main()
