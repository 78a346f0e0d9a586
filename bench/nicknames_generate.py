#!/usr/bin/env python3
"""Writes a Eudora nickname file of N nicknames for the nickname benchmark.

    nicknames_generate.py N OUT [--crlf]

Every nickname has an alias line and a note line with a full name, a postal address, phones,
a web page and a free note; a third of the note lines stand before their alias lines, the
rest after all alias lines (so the partner of every line is far away). Every 50th nickname
is a mailing list of ten members: earlier nicknames, addresses with names, and the list
before it. The text is Mac Roman (a few accented names) with CR line ends, or CR LF.
"""
import random
import sys


def main():
    count = int(sys.argv[1])
    out = sys.argv[2]
    eol = b"\r\n" if "--crlf" in sys.argv[3:] else b"\r"
    rng = random.Random(7)
    first = [b"Anna", b"Bob", b"Carl", b"Dora", b"Erik", b"Fr\x8ed\x8eric", b"Gina", b"Hugo"]
    last = [b"Berg", b"Smith", b"Dorn", b"M\x9fller", b"Ray", b"Lee", b"Young", b"Wood"]
    early, aliases, late = [], [], []
    previous_list = None
    for i in range(count):
        nick = b"n%d" % i
        if i % 50 == 49:
            members = [b"n%d" % rng.randrange(i) for _ in range(5)]
            members += [b"%s %s <m%d@example.com>" % (rng.choice(first), rng.choice(last), rng.randrange(count))
                        for _ in range(4)]
            if previous_list:
                members.append(previous_list)
            aliases.append(b"alias list%d %s" % (i, b", ".join(members)))
            previous_list = b"list%d" % i
            continue
        f, l = rng.choice(first), rng.choice(last)
        aliases.append(b"alias %s %s %s <%s@example.com>" % (nick, f, l, nick))
        note = (b"note %s <name:%s %s><address:%d Main St\x03Apt %d><city:Springfield><zip:%05d>"
                b"<phone:555-%04d><otherphone:555-1\x03555-2><web:http://example.com/%s>"
                b"<otheremail:%s@home.example,%s@old.example>Met in %d"
                % (nick, f, l, i, i % 7, i % 99999, i % 10000, nick, nick, nick, 1990 + i % 30))
        (early if i % 3 == 0 else late).append(note)
    with open(out, "wb") as fh:
        fh.write(b"".join(line + eol for line in early + aliases + late))


if __name__ == "__main__":
    main()
