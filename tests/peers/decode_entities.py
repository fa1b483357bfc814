"""HTML entity checks with Python's html module.
  decode_entities.py table PATH  -- checks every row of an entity table file (character TAB
                                    entity TAB second form): prints one line per problem
  decode_entities.py unescape    -- prints html.unescape of standard input (UTF-8)"""
import html
import html.entities
import sys

def check_table(path):
    problems = []
    seen = set()
    with open(path, encoding="utf-8", newline="") as table:
        for number, line in enumerate(table, 1):
            if not line.endswith("\n") or line.endswith("\r\n"):
                problems.append(f"line {number}: not LF-terminated")
            columns = line.rstrip("\n").split("\t")
            if len(columns) != 3:
                problems.append(f"line {number}: {len(columns)} columns")
                continue
            character, entity, second = columns
            seen.add(character)
            for form in (entity, second):
                if html.unescape(form) != character:
                    problems.append(f"line {number}: {form} does not decode to {character!r}")
            name = html.entities.codepoint2name.get(ord(character))
            if entity != f"&{name};":
                problems.append(f"line {number}: {entity} is not the HTML 4 name")
            if second != f"&#{ord(character)};":
                problems.append(f"line {number}: {second} is not the numeric form")
    wanted = {"&", "<", ">", '"'} | {chr(c) for c in range(0xA0, 0x100)}
    for character in sorted(wanted - seen):
        problems.append(f"missing U+{ord(character):04X}")
    sys.stdout.write("".join(p + "\n" for p in problems))

if sys.argv[1] == "table":
    check_table(sys.argv[2])
else:
    sys.stdout.write(html.unescape(sys.stdin.buffer.read().decode("utf-8")))
