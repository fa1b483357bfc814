"""Prints, for every code 32-255, the character Python's cp1252 codec gives it as UTF-8 hex
("-" when the codec leaves the code undefined), one "code<TAB>hex" line each."""
import sys

for code in range(32, 256):
    try:
        character = bytes([code]).decode("cp1252")
    except UnicodeDecodeError:
        sys.stdout.write(f"{code}\t-\n")
        continue
    sys.stdout.write(f"{code}\t{character.encode('utf-8').hex()}\n")
