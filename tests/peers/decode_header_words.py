"""Reads header words the way a mail reader does.
  decode_header_words.py to       -- stdin: JSON list of base64 display names; each is put into
                                     "To: <name> <a@example.org>" and parsed with Python's email
                                     package (default policy); prints a JSON list of
                                     {"addresses": [...], "defects": [...], "decoded": text}, the
                                     text read with email.header.decode_header/make_header
  decode_header_words.py rfc2047  -- prints the decoded texts of RFC 2047 section 8's examples"""
import base64
import email
import email.policy
import json
import sys
from email.header import decode_header, make_header

RFC2047_EXAMPLES = [
    "(=?ISO-8859-1?Q?a?=)",
    "(=?ISO-8859-1?Q?a?= b)",
    "(=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=)",
    "(=?ISO-8859-1?Q?a?=  =?ISO-8859-1?Q?b?=)",
    "(=?ISO-8859-1?Q?a?=\r\n    =?ISO-8859-1?Q?b?=)",
    "(=?ISO-8859-1?Q?a_b?=)",
    "(=?ISO-8859-1?Q?a?= =?ISO-8859-2?Q?_b?=)",
]

def decoded(text):
    return str(make_header(decode_header(text)))

if sys.argv[1] == "rfc2047":
    json.dump([decoded(example) for example in RFC2047_EXAMPLES], sys.stdout)
    sys.exit(0)

out = []
for value in json.load(sys.stdin):
    name = base64.b64decode(value)
    raw = b"To: " + name + b" <a@example.org>\r\n\r\nbody\r\n"
    message = email.message_from_bytes(raw, policy=email.policy.default)
    to = message["To"]
    out.append({
        "addresses": [address.addr_spec for address in to.addresses],
        "defects": [type(d).__name__ for d in list(to.defects) + list(message.defects)],
        "decoded": decoded(name.decode("ascii")),
    })
json.dump(out, sys.stdout)
