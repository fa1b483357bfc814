"""Prints the CRC-16/XMODEM (binascii.crc_hqx with initial value 0) of standard input."""
import binascii
import sys

print(binascii.crc_hqx(sys.stdin.buffer.read(), 0))
