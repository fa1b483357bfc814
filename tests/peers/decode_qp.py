"""Quoted-printable peer.
  decode_qp.py decode          -- stdin: JSON list of base64 texts (LF line ends); each is turned
                                  to CR LF line ends and decoded with quopri and binascii.a2b_qp;
                                  prints a JSON list of [base64 quopri result, base64 a2b_qp result]
  decode_qp.py cpython-cases   -- prints a JSON list of base64 inputs of CPython's own
                                  quoted-printable test table (test.test_quopri)"""
import base64
import binascii
import json
import quopri
import sys

def b64(data):
    return base64.b64encode(data).decode("ascii")

if sys.argv[1] == "cpython-cases":
    from test.test_quopri import QuopriTestCase
    json.dump([b64(plain) for plain, _ in QuopriTestCase.STRINGS], sys.stdout)
else:
    out = []
    for text in json.load(sys.stdin):
        wire = base64.b64decode(text).replace(b"\n", b"\r\n")
        out.append([b64(quopri.decodestring(wire)), b64(binascii.a2b_qp(wire))])
    json.dump(out, sys.stdout)
