"""Reads a message file the way a mail reader does and prints what a test compares.

  read_message.py MESSAGE

The message is parsed with Python's email package (policy.default). Prints "To: ", "From: " and
"Subject: " with their decoded values, "Parts: " and the content types of the leaf parts,
"Text: " and each line of every text part decoded, and one "Defect: " line per defect found in
any part or header."""
import email
import email.policy
import sys


def main():
    with open(sys.argv[1], "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    for name in ("To", "From", "Subject"):
        print("%s: %s" % (name, message[name] or ""))
    leaves = [part.get_content_type() for part in message.walk() if not part.is_multipart()]
    print("Parts: " + " ".join(leaves))
    for part in message.walk():
        if part.get_content_maintype() == "text":
            for line in part.get_content().splitlines():
                print("Text: " + line)
    for part in message.walk():
        for defect in part.defects:
            print("Defect: " + type(defect).__name__)
        for key in part.keys():
            for defect in getattr(part[key], "defects", ()):
                print("Defect: %s: %s" % (key, type(defect).__name__))


if __name__ == "__main__":
    main()
