"""Decodes base64 text from standard input with Python's base64 module (strict alphabet, line
breaks removed first) and prints the bytes as hex."""
import base64
import sys

text = sys.stdin.buffer.read().replace(b"\r\n", b"")
print(base64.b64decode(text, validate=True).hex())
