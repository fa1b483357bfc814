"""Reads a built message the way a mail reader does and checks its content-ID images.

  check_cid.py MESSAGE FILE...

The message is parsed with Python's email package (policy.default) and must show no defects.
Every "cid:" reference of its HTML part, percent-decoded, must equal the Content-ID of one
part whose decoded bytes equal the FILE of that name; there must be exactly one image part per
FILE. Prints one line per problem and exits 1 when there is any."""
import email
import email.policy
import os
import re
import sys
import urllib.parse

CID = re.compile(rb'cid:([^"\'>\s]+)')


def defects(message):
    found = []
    for part in message.walk():
        found += [type(d).__name__ for d in part.defects]
        for key in part.keys():
            found += ["%s: %s" % (key, type(d).__name__) for d in getattr(part[key], "defects", ())]
    return found


def main():
    with open(sys.argv[1], "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    files = {os.path.basename(path): open(path, "rb").read() for path in sys.argv[2:]}
    problems = ["defect: " + d for d in defects(message)]
    parts = {}
    html = None
    for part in message.walk():
        if part.is_multipart():
            continue
        if part.get_content_type() == "text/html":
            html = part.get_payload(decode=True)
        elif part["Content-ID"]:
            parts[str(part["Content-ID"]).strip().strip("<>")] = part
    images = [p for p in parts.values() if p.get_content_maintype() == "image"]
    if len(images) != len(files):
        problems.append("%d image parts for %d files" % (len(images), len(files)))
    if html is None:
        problems.append("no HTML part")
        html = b""
    references = CID.findall(html)
    if not references:
        problems.append("no cid: reference")
    for reference in references:
        name = urllib.parse.unquote(reference.decode("ascii"))
        part = parts.get(name)
        if part is None:
            problems.append("cid:%s names no part" % name)
        elif part.get_payload(decode=True) != files.get(name):
            problems.append("part %s does not hold the file's bytes" % name)
    for problem in problems:
        print(problem)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
