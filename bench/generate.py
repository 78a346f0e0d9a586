#!/usr/bin/env python3
"""Writes a synthetic Eudora data folder for the benchmark.

    generate.py OUT_DIR [--size 1G] [--seed 1] [--min-message 200] [--max-message 400K]

OUT_DIR/"Eudora Folder"/"Mail Folder" receives Mac mailboxes (CR line ends) with an
old-style ".toc" file beside each, or with their table of contents as the 'TOCF' 1001
resource of an AppleDouble "._" sidecar; Windows mailboxes ("X.mbx" with "X.toc", CR LF);
and sub-folders of mailboxes. "Attachments Folder" holds a few files that some messages
name in "Attachment converted:" lines (others name files that are missing).

Message sizes are skewed small with a long tail: most messages are a few KB, a tenth are
spread log-uniformly from 20 KB up to --max-message, so that the bytes are dominated by the
large messages and the message count by the small ones. Headers carry the usual fields;
some messages have a charset, some are multipart with a boundary, some bodies are HTML
("<x-html>"), some hold eight-bit text in the mailbox's own character set (Mac Roman or
Windows-1252).

Bodies are cut from pre-built pools of text lines, and mailboxes are written in large
chunks as they are generated, so memory stays flat whatever the size; only the table of
contents entries of the current mailbox are kept (a few bytes per message).

When it is done, OUT_DIR/corpus.txt records the parameters and the message and byte
counts; the run script reuses a corpus whose corpus.txt matches its parameters.
"""
import argparse
import bisect
import os
import random
import struct
import sys
import time

EPOCH_1904 = 2082844800  # seconds from 1904-01-01 to 1970-01-01
MAC_ENTRY_LIMIT = 30000  # table of contents counts are signed 16-bit
FLUSH_BYTES = 8 << 20

WEEKDAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]

FIRST_NAMES = ["Anna", "Bernd", "Chloé", "David", "Elena", "François", "Greta", "Hugo", "Ingrid",
               "Jürgen", "Karin", "Luis", "Marta", "Nils", "Olga", "Pierre", "Renée", "Stefan",
               "Tomás", "Ulrike", "Vera", "Walter", "Yusuf", "Zoë"]
LAST_NAMES = ["Abel", "Brandt", "Carvalho", "Dupont", "Eriksson", "Fischer", "García", "Hansen",
              "Iversen", "Jansen", "Köhler", "Lefèvre", "Müller", "Novak", "Olsen", "Petit",
              "Quinn", "Roussel", "Schäfer", "Thomsen", "Urban", "Vogel", "Weiß", "Young"]
DOMAINS = ["example.com", "example.org", "example.net", "mail.example.de", "lists.example.fr",
           "corp.example.co.uk", "uni-example.edu"]
SUBJECT_WORDS = ["meeting", "report", "budget", "draft", "minutes", "invoice", "schedule",
                 "proposal", "review", "update", "question", "photos", "trip", "release",
                 "agenda", "contract", "results", "notes", "plan", "order", "Résumé", "Übersicht",
                 "café", "numbers", "ideas", "lunch", "server", "backup", "newsletter"]
ASCII_WORDS = ("the of and to in is that it for was on are as with be at by this had not but "
               "what all were when we there can an your which their said if do will each about "
               "how up out them then she many some so these would other into has more her two "
               "like him see time could no make than first been its who now people my made over "
               "did down only way find use may water long little very after words called just "
               "where most know get through back much before go good new write our used me man "
               "too any day same right look think also around another came come work three word "
               "must because does part even place well such here take why things help put years "
               "different away again off went old number great tell men say small every found "
               "still between name should home big give air line set own under read last never "
               "us left end along while might next sound below saw something thought both few "
               "those always looked show large often together asked house world going want "
               "school important until form food keep children feet land side without boy once "
               "animals life enough took sometimes four head above kind began almost live page "
               "got earth need far hand high year mother light parts country father let night "
               "following picture being study second eyes soon times story boys since white days "
               "ever paper hard near sentence better best across during today others however "
               "sure means knew try told young miles sun ways thing whole hear example heard "
               "several change answer room sea against top turned learn point city play toward "
               "five using himself usually").split()
EIGHT_BIT_WORDS = ["café", "naïve", "résumé", "Müller", "über", "Straße", "Grüße", "garçon",
                   "señor", "año", "déjà", "crème", "brûlée", "façade", "Zürich", "Köln", "Mañana",
                   "élève", "façon", "Göteborg", "smörgåsbord", "œuvre", "fiancée", "Ærø", "Øresund",
                   "à", "être", "für", "schön", "größer", "–", "“quoted”", "‘single’", "…",
                   "€ 12,50", "£ 8", "© 2003", "®", "°C", "±", "½"]
ATTACHMENTS = [  # name, Mac type and creator, size; the last two are never written
    ("report.pdf", "PDF ", "CARO", 24000), ("photo.jpg", "JPEG", "GKON", 48000),
    ("budget.xls", "XLS8", "XCEL", 12000), ("letter.doc", "W8BN", "MSWD", 16000),
    ("notes.txt", "TEXT", "ttxt", 3000), ("diagram.gif", "GIFf", "GKON", 9000),
    ("missing scan.tif", "TIFF", "GKON", 0), ("old minutes.doc", "W8BN", "MSWD", 0),
]


def parse_size(text):
    """'1G', '400K', '20M' or a plain byte count (binary units)."""
    text = text.strip().upper().removesuffix("B")
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    if text and text[-1] in units:
        return int(float(text[:-1]) * units[text[-1]])
    return int(text)


# ---------------------------------------------------------------- tables of contents

def mac_toc(entries):
    """Old-style Mac .toc file, the same layout as the 'TOCF' resource: a 278-byte header
    with the entry count at 48 (and at 262, where Eudora keeps it too), then 220-byte entries."""
    out = bytearray(278 + 220 * len(entries))
    struct.pack_into(">h", out, 48, len(entries))
    struct.pack_into(">h", out, 262, len(entries))
    pos = 278
    for offset, length, state, date, label, priority, subject in entries:
        struct.pack_into(">II", out, pos, offset, length)
        out[pos + 12] = state
        struct.pack_into(">II", out, pos + 46, date + EPOCH_1904, (label & 0xF) << 14)
        out[pos + 62] = priority
        subject = subject[:59]
        out[pos + 142] = len(subject)
        out[pos + 143:pos + 143 + len(subject)] = subject
        pos += 220
    return bytes(out)


# Mac state numbers mapped to the Windows numbering that Eudora for Windows stores.
WIN_STATE = {1: 0, 2: 1, 3: 2, 4: 4, 5: 5, 6: 6, 7: 7, 8: 3, 9: 8, 10: 9, 11: 10}


def win_toc(entries):
    """Windows .toc file: a 104-byte header with the entry count at 102 (little-endian),
    then 218-byte entries; priority is stored as 1 (highest) .. 5 (lowest)."""
    out = bytearray(104 + 218 * len(entries))
    struct.pack_into("<H", out, 102, len(entries))
    pos = 104
    for offset, length, state, date, label, priority, subject in entries:
        struct.pack_into("<III", out, pos, offset, length, date)
        out[pos + 12] = WIN_STATE[state]
        out[pos + 16] = priority // 40 if priority else 0
        subject = subject[:63]
        out[pos + 114:pos + 114 + len(subject)] = subject
        struct.pack_into("<h", out, pos + 186, label & 7)
        pos += 218
    return bytes(out)


def resource_fork(rtype, rid, payload):
    """A classic resource fork holding one resource: header, data at 256, then the map
    (type list with one type, reference list with one reference)."""
    data = struct.pack(">I", len(payload)) + payload
    type_list = struct.pack(">H", 0) + rtype + struct.pack(">HH", 0, 2 + 8)
    ref_list = struct.pack(">hHB", rid, 0xFFFF, 0) + (0).to_bytes(3, "big") + b"\0\0\0\0"
    map_body = type_list + ref_list
    map_len = 28 + len(map_body)
    header = struct.pack(">IIII", 256, 256 + len(data), len(data), map_len)
    the_map = header + b"\0" * 8 + struct.pack(">HH", 28, map_len) + map_body
    return b"".join([header, b"\0" * 240, data, the_map])


def apple_double(rsrc, ftype, creator):
    """AppleDouble (version 2) sidecar with Finder information and a resource fork."""
    finfo = ftype + creator + b"\0" * 24
    head = struct.pack(">II", 0x00051607, 0x00020000) + b"\0" * 16 + struct.pack(">H", 2)
    off = 26 + 12 * 2
    head += struct.pack(">III", 9, off, len(finfo))
    head += struct.pack(">III", 2, off + len(finfo), len(rsrc))
    return head + finfo + rsrc


# ---------------------------------------------------------------- text pools

class Pool:
    """A few MB of ready-made body lines in one character set and line end. A body of n
    bytes is a run of whole lines cut from a random place, so no per-line work is done
    when messages are written."""

    def __init__(self, data, eol):
        self.data = data
        self.view = memoryview(data)
        self.eol = eol
        starts, pos = [0], data.find(eol)
        while pos != -1:
            starts.append(pos + len(eol))
            pos = data.find(eol, pos + len(eol))
        self.starts = starts[:-1]

    def cut(self, rng, size):
        size = min(size, len(self.data) // 2)
        first = self.starts[rng.randrange(len(self.starts) // 2)]
        end = self.starts[min(bisect.bisect_left(self.starts, first + size), len(self.starts) - 1)]
        return self.view[first:max(end, first + 1)]


def sentence(rng, eight_bit):
    words = [rng.choice(ASCII_WORDS) for _ in range(rng.randint(5, 16))]
    if eight_bit:
        for _ in range(rng.randint(1, 3)):
            words[rng.randrange(len(words))] = rng.choice(EIGHT_BIT_WORDS)
    text = " ".join(words)
    return text[0].upper() + text[1:] + rng.choice([".", ".", ".", "?", "!"])


def wrap(text, width=72):
    lines, line = [], ""
    for word in text.split(" "):
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = line + " " + word if line else word
    if line:
        lines.append(line)
    return lines


def plain_lines(rng, eight_bit, count):
    """Paragraphs of wrapped text with quoted replies and signature-like lines. No line
    starts with "From " (in a mailbox such a line could start a message)."""
    lines = []
    while len(lines) < count:
        kind = rng.random()
        paragraph = wrap(" ".join(sentence(rng, eight_bit and rng.random() < 0.6)
                                  for _ in range(rng.randint(1, 6))))
        if kind < 0.15:
            paragraph = ["> " + l for l in paragraph]
        elif kind < 0.18:
            paragraph = ["-- ", rng.choice(FIRST_NAMES) + " " + rng.choice(LAST_NAMES),
                         "Phone +49 30 %07d" % rng.randrange(10 ** 7)]
        lines += paragraph + [""]
    return lines


def html_lines(rng, eight_bit, count):
    lines = []
    while len(lines) < count:
        kind = rng.random()
        text = " ".join(sentence(rng, eight_bit and rng.random() < 0.6) for _ in range(rng.randint(1, 5)))
        if kind < 0.1:  # some mailers write a whole paragraph as one long line
            text = " ".join([text] * rng.randint(5, 40))
            lines.append('<div style="font-family: Helvetica; font-size: 12px">%s</div>' % text)
        elif kind < 0.25:
            lines.append("<blockquote type=\"cite\">%s</blockquote>" % text)
        elif kind < 0.3:
            lines.append("<table><tr><td><b>%s</b></td><td>%d</td></tr></table>"
                         % (rng.choice(SUBJECT_WORDS), rng.randrange(100000)))
        else:
            lines += ["<p>"] + wrap(text) + ["</p>"]
    return lines


def make_pool(rng, maker, eight_bit, codec, eol, size):
    lines = maker(rng, eight_bit, size // 40)
    return Pool(eol.join(l.encode(codec, "replace") for l in lines) + eol, eol)


# ---------------------------------------------------------------- messages

def person(rng):
    first, last = rng.choice(FIRST_NAMES), rng.choice(LAST_NAMES)
    addr = "%s.%s@%s" % (first.encode("ascii", "ignore").decode().lower(),
                         last.encode("ascii", "ignore").decode().lower(), rng.choice(DOMAINS))
    return first + " " + last, addr


def rfc2047(text):
    """Quoted-printable encoded word for a non-ASCII header text (how such subjects and
    names arrive in mail)."""
    raw = text.encode("iso-8859-1", "replace")
    body = "".join(chr(b) if 48 <= b < 127 and b not in (61, 63, 95) else ("_" if b == 32 else "=%02X" % b)
                   for b in raw)
    return "=?iso-8859-1?Q?%s?=" % body


def message_size(rng, low, high):
    """Skewed small with a long tail: 90% log-normal around 2.5 KB, 10% log-uniform from
    20 KB to the maximum."""
    if rng.random() < 0.9 or high <= 20000:
        size = int(rng.lognormvariate(7.8, 1.0))
    else:
        size = int(20000 * (high / 20000) ** rng.random())
    return max(low, min(high, size))


class Writer:
    """Generates messages into one mailbox file, flushing in large chunks, and keeps the
    table of contents entries."""

    def __init__(self, gen, path, windows, outgoing):
        self.gen, self.path, self.windows, self.outgoing = gen, path, windows, outgoing
        self.eol = b"\r\n" if windows else b"\r"
        self.codec = "cp1252" if windows else "mac_roman"
        self.file = open(path, "wb", buffering=0)
        self.chunks, self.buffered, self.offset = [], 0, 0
        self.entries = []

    def put(self, data):
        self.chunks.append(data)
        self.buffered += len(data)

    def flush(self):
        if self.chunks:
            self.file.write(b"".join(self.chunks))
            self.chunks, self.buffered = [], 0

    def close(self):
        self.flush()
        self.file.close()

    def add_message(self, size):
        gen, rng, eol = self.gen, self.gen.rng, self.eol
        start = self.offset + self.buffered
        when = gen.next_date()
        tm = time.gmtime(when)
        zone = rng.choice([0, 60, 60, 120, -300, -480, 330])
        local = time.gmtime(when + zone * 60)
        date = "%s, %02d %s %d %02d:%02d:%02d %s%02d%02d" % (
            WEEKDAYS[local.tm_wday], local.tm_mday, MONTHS[local.tm_mon - 1], local.tm_year,
            local.tm_hour, local.tm_min, local.tm_sec, "+" if zone >= 0 else "-",
            abs(zone) // 60, abs(zone) % 60)
        separator = "From ???@??? %s %s %02d %02d:%02d:%02d %d" % (
            WEEKDAYS[tm.tm_wday], MONTHS[tm.tm_mon - 1], tm.tm_mday, tm.tm_hour, tm.tm_min,
            tm.tm_sec, tm.tm_year)
        sender, recipient = person(rng), gen.owner if not self.outgoing else person(rng)
        if self.outgoing:
            sender = gen.owner
        subject = " ".join(rng.choice(SUBJECT_WORDS) for _ in range(rng.randint(1, 6)))
        if rng.random() < 0.25:
            subject = rng.choice(["Re: ", "Fwd: ", "AW: ", "RE: "]) + subject
        subject = subject[0].upper() + subject[1:]
        eight_bit = rng.random() < 0.3
        html = rng.random() < 0.2
        kind = rng.random()
        attachments = []
        if rng.random() < 0.06:
            attachments = rng.sample(ATTACHMENTS, rng.randint(1, 2))

        head = []
        if not self.outgoing:
            for hop in range(rng.randint(1, 4)):
                head.append("Received: from mx%d.%s (mx%d.%s [192.0.2.%d])" % (
                    hop, rng.choice(DOMAINS), hop, rng.choice(DOMAINS), rng.randrange(1, 255)))
                head.append("\tby mail.example.com with ESMTP id %08X" % rng.getrandbits(32))
                head.append("\tfor <%s>; %s" % (recipient[1], date))
            head.append("Return-Path: <%s>" % sender[1])
        head.append("Date: " + date)
        name = rfc2047(sender[0]) if not sender[0].isascii() and rng.random() < 0.7 else sender[0]
        head.append('From: "%s" <%s>' % (name, sender[1]) if rng.random() < 0.5 else
                    "From: %s <%s>" % (name, sender[1]))
        head.append("To: %s <%s>" % (recipient[0], recipient[1]))
        if rng.random() < 0.2:
            head.append("Cc: " + ", ".join("%s <%s>" % person(rng) for _ in range(rng.randint(1, 5))))
        head.append("Subject: " + (rfc2047(subject) if not subject.isascii() and rng.random() < 0.5 else subject))
        head.append("Message-ID: <%d.%08x@%s>" % (when, rng.getrandbits(32), rng.choice(DOMAINS)))
        if rng.random() < 0.2:
            refs = ["<%08x.%d@%s>" % (rng.getrandbits(32), i, rng.choice(DOMAINS)) for i in range(rng.randint(2, 6))]
            head.append("References: " + refs[0])
            head += ["\t" + r for r in refs[1:]]
        if rng.random() < 0.3:
            head.append("X-Mailer: %s" % rng.choice(["QUALCOMM Windows Eudora Version 5.1",
                                                     "Eudora 6.2", "Microsoft Outlook Express 6.00.2800.1106",
                                                     "Apple Mail (2.612)", "Mutt/1.4i"]))
        boundary = "=====================_%d==_" % rng.randrange(10 ** 9)
        body_charset = "iso-8859-1" if eight_bit else "us-ascii"
        if attachments or (html and kind < 0.6):
            head.append("Mime-Version: 1.0")
            subtype = "mixed" if attachments else "alternative"
            head.append('Content-Type: multipart/%s;' % subtype)
            head.append('\tboundary="%s%s"' % (boundary, ".ALT" if subtype == "alternative" else ""))
        elif kind < 0.35:
            head.append("Mime-Version: 1.0")
            head.append('Content-Type: text/plain; charset="%s"; format=flowed' % body_charset)
            head.append("Content-Transfer-Encoding: %s" % ("8bit" if eight_bit else "7bit"))
        elif kind < 0.5:
            head.append("Content-Type: text; charset=%s" % body_charset)  # Eudora's own habit
        elif html:
            head.append("Mime-Version: 1.0")
            head.append("Content-Type: text/html; charset=%s" % body_charset)

        pieces = [separator.encode("ascii"), eol,
                  eol.join(l.encode(self.codec, "replace") for l in head), eol, eol]
        head_size = sum(len(p) for p in pieces)
        tail = []
        if html:
            pieces += [b"<x-html>", eol, b"<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
                       eol, b"<html><body>", eol]
            tail = [b"</body></html>", eol, b"</x-html>", eol]
        for att in attachments:
            tail += [self.attachment_line(att), eol]
        pool = gen.pool(self.windows, html, eight_bit)
        want = size - head_size - sum(len(p) for p in tail)
        pieces.append(pool.cut(rng, max(want, 1)))
        pieces += tail
        pieces.append(eol)  # Eudora ends every message with an empty line
        for p in pieces:
            self.put(p)
        length = self.offset + self.buffered - start
        if self.buffered >= FLUSH_BYTES:
            self.offset += self.buffered
            self.flush()

        state = 9 if self.outgoing else rng.choices([1, 2, 3, 8], [15, 70, 12, 3])[0]
        label = rng.randrange(1, 8) if rng.random() < 0.08 else 0
        priority = rng.choices([120, 0, 40, 80, 160, 200], [80, 10, 3, 4, 2, 1])[0]
        toc_subject = subject.encode(self.codec, "replace")
        self.entries.append((start, length, state, when, label, priority, toc_subject))
        gen.messages += 1
        return length

    def attachment_line(self, att):
        name, ftype, creator = att[0], att[1], att[2]
        if self.windows:
            return ('Attachment Converted: "C:\\Program Files\\Eudora\\Attach\\%s"' % name).encode("cp1252")
        return ("Attachment converted: Macintosh HD:Eudora Folder:Attachments Folder:%s (%s/%s) (%08X)"
                % (name, ftype, creator, self.gen.rng.getrandbits(24))).encode("mac_roman")


class Generator:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.messages = 0
        self.date = 1009843200  # 2002-01-01
        self.owner = ("Karin Hansen", "karin.hansen@example.com")
        self.pools = {}

    def next_date(self):
        self.date += self.rng.randrange(60, 4 * 3600)
        return self.date

    def pool(self, windows, html, eight_bit):
        key = (windows, html, eight_bit)
        if key not in self.pools:
            codec = "cp1252" if windows else "mac_roman"
            maker = html_lines if html else plain_lines
            size = max(4 * self.args.max_message, 1 << 20)
            self.pools[key] = make_pool(self.rng, maker, eight_bit, codec,
                                        b"\r\n" if windows else b"\r", size)
        return self.pools[key]

    def plan(self):
        """(relative path, Windows layout, outgoing, TOC place) for each mailbox, with the
        share of the total size it should get. Larger corpora get more archive mailboxes
        (one per 64 MB beyond the first eight mailboxes)."""
        boxes = [
            ("In", False, False, "sidecar", 4), ("Out", False, True, "toc", 1),
            ("Trash", False, False, "toc", 1), ("Lists", False, False, "sidecar", 3),
            ("Projects/Ferrous", False, False, "toc", 2), ("Projects/Budget 2003", False, False, "toc", 1),
            ("Inbox.mbx", True, False, "toc", 3), ("Archive.mbx", True, False, "TOC", 2),
        ]
        weight = sum(b[4] for b in boxes)
        extra = max(0, -(-self.args.size // (64 << 20)) - len(boxes))
        for i in range(extra):
            boxes.append(("Archive/%d" % (2000 + i), False, False, "toc" if i % 2 else "sidecar", weight / len(boxes)))
        return boxes

    def run(self):
        top = os.path.join(self.args.out_dir, "Eudora Folder")
        mail = os.path.join(top, "Mail Folder")
        os.makedirs(mail, exist_ok=True)
        self.write_attachments(top)
        os.makedirs(os.path.join(top, "Parts Folder"), exist_ok=True)
        boxes = self.plan()
        total_weight = sum(b[4] for b in boxes)
        written, mailbox_count = 0, 0
        queue = list(boxes)
        spare = 0
        while queue:
            rel, windows, outgoing, toc, weight = queue.pop(0)
            target = self.args.size * weight / total_weight
            if not queue:
                target = self.args.size - written
            path = os.path.join(mail, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            writer = Writer(self, path, windows, outgoing)
            got = 0
            while got < target and len(writer.entries) < MAC_ENTRY_LIMIT:
                size = message_size(self.rng, self.args.min_message, self.args.max_message)
                got += writer.add_message(min(size, max(int(target - got), self.args.min_message)))
            writer.close()
            written += got
            mailbox_count += 1
            self.write_toc(path, windows, toc, writer.entries)
            if not queue and written < self.args.size:  # mailboxes full by count: add one more
                spare += 1
                queue.append(("Archive/Overflow %d" % spare, False, False, "toc", 1))
                total_weight = 1
        return mailbox_count, written

    def write_toc(self, path, windows, place, entries):
        folder, name = os.path.split(path)
        if windows:
            with open(os.path.join(folder, name[:-3] + place), "wb") as f:
                f.write(win_toc(entries))
        elif place == "sidecar":
            rsrc = resource_fork(b"TOCF", 1001, mac_toc(entries))
            with open(os.path.join(folder, "._" + name), "wb") as f:
                f.write(apple_double(rsrc, b"TEXT", b"CSOm"))
        else:
            with open(path + ".toc", "wb") as f:
                f.write(mac_toc(entries))

    def write_attachments(self, top):
        folder = os.path.join(top, "Attachments Folder")
        os.makedirs(folder, exist_ok=True)
        for name, _, _, size in ATTACHMENTS:
            if size:
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(self.rng.randbytes(size))


def main():
    parser = argparse.ArgumentParser(description="Write a synthetic Eudora data folder.")
    parser.add_argument("out_dir")
    parser.add_argument("--size", default="1G", help="total mailbox bytes (K, M, G suffixes)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--min-message", default="200")
    parser.add_argument("--max-message", default="400K")
    parser.add_argument("--matches", action="store_true",
                        help="write nothing; exit 0 when OUT_DIR holds a finished corpus of these parameters")
    args = parser.parse_args()
    args.size = parse_size(args.size)
    args.min_message = parse_size(args.min_message)
    args.max_message = parse_size(args.max_message)
    if not 200 <= args.min_message <= args.max_message:
        parser.error("need 200 <= --min-message <= --max-message")
    params = "size=%d seed=%d min=%d max=%d" % (args.size, args.seed, args.min_message, args.max_message)
    if args.matches:
        try:
            with open(os.path.join(args.out_dir, "corpus.txt")) as f:
                sys.exit(0 if f.readline().strip() == params else 1)
        except OSError:
            sys.exit(1)
    if os.path.exists(os.path.join(args.out_dir, "Eudora Folder")):
        parser.error("%s already holds an Eudora Folder" % args.out_dir)
    started = time.time()
    gen = Generator(args)
    mailboxes, written = gen.run()
    seconds = time.time() - started
    summary = "%s\nmessages=%d\nbytes=%d\nmailboxes=%d\n" % (params, gen.messages, written, mailboxes)
    with open(os.path.join(args.out_dir, "corpus.txt"), "w") as f:
        f.write(summary)
    print("%d messages, %d bytes in %d mailboxes, %.1f s (%.0f MB/s)"
          % (gen.messages, written, mailboxes, seconds, written / 1e6 / max(seconds, 1e-9)), file=sys.stderr)


if __name__ == "__main__":
    main()
