"""Reads built message sources the way a mail reader does and checks them.

  mail_oracle.py CASES.json

CASES.json is a list of objects: "path" (a message source file) and the optional expectations
"subject", "from" and "to"/"cc"/"reply-to"/"disposition-notification-to" ([name, address]
pairs; the names as the program was given them), "return-path" (the address), "nameMayBeCut"
(long names may arrive shortened), "offsetMinutes" (the Date's offset), "domain" (the
Message-ID's), "texts" (the text parts in order), "encodings" (their transfer encodings) and
"attachments" ([file name, base64 bytes] pairs, names as given). Every file is parsed with
Python's email package (policy.default) and must also show no defects, no line over 998
octets, no bare CR or LF, no byte outside ASCII in any header, and no "cid:" reference in an
HTML part that names no part's Content-ID.
Prints a JSON object: "checked" (the count) and "failures" ({path: [texts]}).

Display names are decoded the RFC 2047 way (email.header.decode_header over the names that
email.utils.getaddresses finds in the raw header): the policy parser keeps the blank between
two encoded words of one name, which RFC 2047 says to drop, so it cannot judge a long name."""
import base64
import email
import email.policy
import json
import re
import sys
from email.header import decode_header, make_header
from email.utils import getaddresses

CONTROLS = re.compile(r"[\x00-\x1f\x7f]")


def intended_name(name):
    return CONTROLS.sub(" ", name).strip()


def normalized_text(text):
    return text.replace("\r\n", "\n").replace("\r", "\n").rstrip("\n")


def all_defects(message):
    found = []
    for part in message.walk():
        found += [type(d).__name__ for d in part.defects]
        for key in part.keys():
            try:
                header = part[key]
            except Exception as error:  # an unreadable header is a failure too
                found.append("%s: %r" % (key, error))
                continue
            found += ["%s: %s" % (key, type(d).__name__) for d in getattr(header, "defects", ())]
    return found


def check_raw(raw, errors):
    if re.search(rb"\r(?!\n)|(?<!\r)\n", raw):
        errors.append("bare CR or LF")
    longest = max(len(line) for line in raw.split(b"\r\n"))
    if longest > 998:
        errors.append("line of %d octets" % longest)


def check_ascii_headers(message, errors):
    for part in message.walk():
        for key, value in part.raw_items():
            if any(ord(c) > 0x7E for c in str(value)):
                errors.append("8-bit header %s: %r" % (key, value))


def check_content_ids(message, errors):
    ids = {str(part["Content-ID"]).strip("<>") for part in message.walk() if part["Content-ID"] is not None}
    for part in message.walk():
        if part.get_content_type() != "text/html":
            continue
        for ref in re.findall(r'cid:([^"\']+)', part.get_content()):
            if ref not in ids:
                errors.append("cid:%s names no part (Content-IDs %r)" % (ref, sorted(ids)))


def check_name(errors, what, got_name, got_address, want, may_be_cut):
    name, address = want
    if got_address != address:
        errors.append("%s address %r, wanted %r" % (what, got_address, address))
    want_name = intended_name(name)
    if got_name == want_name:
        return
    if may_be_cut and want_name.startswith(got_name) and len(got_name.encode("utf-8")) >= 100:
        return
    errors.append("%s name %r, wanted %r" % (what, got_name, want_name))


def raw_names(raw_message, header):
    value = re.sub(r"\r?\n(?=[ \t])", "", raw_message.get(header, ""))
    return [str(make_header(decode_header(name))) for name, _ in getaddresses([value])]


def check_addresses(message, raw_message, case, errors, header):
    key = header.lower()
    if key not in case:
        return
    field = message[header]
    if field is not None and hasattr(field, "addresses"):
        got = [address.addr_spec for address in field.addresses]
    else:  # a header the package reads as plain text
        got = [address for _, address in getaddresses([raw_message.get(header, "")])]
    names = raw_names(raw_message, header)
    want = case[key]
    if len(got) != len(want) or len(names) != len(want):
        errors.append("%s has %d addresses (%d names), wanted %d" % (header, len(got), len(names), len(want)))
        return
    for address, name, expected in zip(got, names, want):
        check_name(errors, header, name, address, expected, case.get("nameMayBeCut"))


def check_parts(message, case, errors):
    texts = []
    encodings = []
    attachments = []
    for part in message.walk():
        if part.is_multipart():
            continue
        if part.get_filename() is not None:
            attachments.append([part.get_filename(), part.get_payload(decode=True)])
        elif part.get_content_maintype() == "text":
            texts.append(normalized_text(part.get_content()))
            encodings.append(part.get("Content-Transfer-Encoding", ""))
    if "encodings" in case and encodings != case["encodings"]:
        errors.append("encodings %r, wanted %r" % (encodings, case["encodings"]))
    texts = [t for t in texts if t]  # an empty text part and no part say the same
    if "texts" in case:
        want = [normalized_text(t) for t in case["texts"] if t]
        if texts != want:
            errors.append("texts %r, wanted %r" % ([t[:80] for t in texts], [t[:80] for t in want]))
    if "attachments" in case:
        want = [[CONTROLS.sub("", name), base64.b64decode(data)] for name, data in case["attachments"]]
        if attachments != want:
            errors.append("attachments %r, wanted %r" % ([(n, len(b or b"")) for n, b in attachments],
                                                         [(n, len(b)) for n, b in want]))


def check(case):
    errors = []
    with open(case["path"], "rb") as file:
        raw = file.read()
    check_raw(raw, errors)
    message = email.message_from_bytes(raw, policy=email.policy.default)
    errors += ["defect " + d for d in all_defects(message)]
    if "subject" in case:
        got = str(message["Subject"] or "")
        want = CONTROLS.sub(" ", case["subject"])
        if got != want:
            errors.append("subject %r, wanted %r" % (got, want))
    raw_message = email.message_from_bytes(raw, policy=email.policy.compat32)
    if "from" in case:
        check_addresses(message, raw_message, dict(case, **{"from": [case["from"]]}), errors, "From")
    check_addresses(message, raw_message, case, errors, "To")
    for header in ("CC", "Reply-To", "Disposition-Notification-To"):
        check_addresses(message, raw_message, case, errors, header)
    if "return-path" in case and str(message["Return-Path"]) != "<%s>" % case["return-path"]:
        errors.append("Return-Path %r, wanted <%s>" % (str(message["Return-Path"]), case["return-path"]))
    check_ascii_headers(message, errors)
    check_content_ids(message, errors)
    if "offsetMinutes" in case:
        offset = message["Date"].datetime.utcoffset()
        if offset is None or offset.total_seconds() != case["offsetMinutes"] * 60:
            errors.append("Date %r, wanted offset %d minutes" % (str(message["Date"]), case["offsetMinutes"]))
    if "domain" in case:
        pattern = "<[0-9A-Fa-f]{32}@" + re.escape(case["domain"]) + ">"
        if not re.fullmatch(pattern, str(message["Message-Id"])):
            errors.append("Message-Id %r" % str(message["Message-Id"]))
    check_parts(message, case, errors)
    return errors


def main():
    with open(sys.argv[1], encoding="utf-8") as file:
        cases = json.load(file)
    failures = {}
    for case in cases:
        try:
            errors = check(case)
        except Exception as error:
            errors = ["%s: %s" % (type(error).__name__, error)]
        if errors:
            failures[case["path"]] = errors
    json.dump({"checked": len(cases), "failures": failures}, sys.stdout, indent=1)


main()
