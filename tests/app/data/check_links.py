"""Reads a page before and after relinking the way a browser's parser does and checks it.

  check_links.py ORIGINAL REWRITTEN BASE

Both files are read as Latin-1 and parsed with html.parser. The link values (href, src and
background of any element, value of option) of the rewritten page must equal
urllib.parse.urljoin(BASE, original) for every relative original, and stay as written for
fragments, mailto: and references with a scheme; everything else the parser reports must be
the same. Prints one line per difference and exits 1 when there is any."""
import re
import sys
import urllib.parse
from html.parser import HTMLParser

LINK_ATTRIBUTES = {"href", "src", "background"}
SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")


class Events(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.events = []
        self.links = []

    def handle_starttag(self, tag, attrs):
        kept = []
        for name, value in attrs:
            if name in LINK_ATTRIBUTES or (tag == "option" and name == "value"):
                self.links.append(value)
                value = "<link>"
            kept.append((name, value))
        self.events.append(("start", tag, kept))

    def handle_endtag(self, tag):
        self.events.append(("end", tag))

    def handle_data(self, data):
        self.events.append(("data", data))

    def handle_comment(self, data):
        self.events.append(("comment", data))

    def handle_decl(self, decl):
        self.events.append(("decl", decl))


def parse(path):
    parser = Events()
    with open(path, encoding="latin-1") as f:
        parser.feed(f.read())
    parser.close()
    return parser


def is_relative(reference):
    return reference and not reference.startswith("#") and not SCHEME.match(reference)


def main():
    original, rewritten, base = parse(sys.argv[1]), parse(sys.argv[2]), sys.argv[3]
    problems = []
    if original.events != rewritten.events:
        problems.append("the page changed outside its links")
    if len(original.links) != len(rewritten.links):
        problems.append("link count %d became %d" % (len(original.links), len(rewritten.links)))
    for before, after in zip(original.links, rewritten.links):
        expected = urllib.parse.urljoin(base, before) if is_relative(before) else before
        if after != expected:
            problems.append("%r became %r, expected %r" % (before, after, expected))
    for problem in problems:
        print(problem)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
