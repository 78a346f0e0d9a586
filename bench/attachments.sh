#!/usr/bin/env bash
# Attachment benchmark, run by hand (not in CI).
#
#   bench/attachments.sh [--binary PATH] [--files N] [--lines N] [--big-mb N] [--keep]
#
# 1. Many attachment lines against a large Attachments Folder: the folder holds --files files
#    (default 50,000) and one mailbox holds --lines attachment lines (default 10,000, five per
#    message). Two lines in five name a file by its shortened form ("stem#1A2B3C.ext", as
#    Eudora writes names too long for the Mac), one names a missing file with a shortened
#    name (which is searched for and not found), the others name files exactly. Every
#    shortened name must be looked up without listing the folder again.
# 2. One large attachment (--big-mb MB, default 300) whose Base64 is streamed: peak memory must
#    stay flat, whatever the size of the file.
#
# For each: wall time, attachments per second and peak resident memory (/usr/bin/time -v).
# Goals: case 1 in a few seconds; case 2 under 64 MB of peak memory.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="$root/build/ferrolin"
files=50000
lines=10000
big=300
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --binary) binary="$2"; shift 2 ;;
    --files) files="$2"; shift 2 ;;
    --lines) lines="$2"; shift 2 ;;
    --big-mb) big="$2"; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "usage: $0 [--binary PATH] [--files N] [--lines N] [--big-mb N] [--keep]" >&2; exit 2 ;;
  esac
done
[ -x "$binary" ] || { echo "no ferrolin at $binary (build it first)" >&2; exit 1; }
work="$(mktemp -d /tmp/ferrolin-attach-bench.XXXXXX)"
[ "$keep" = 1 ] || trap 'rm -rf "$work"' EXIT

python3 - "$work" "$files" "$lines" "$big" <<'EOF'
import os, sys
work, files, lines, big = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])

def eudora_folder(name):
    root = os.path.join(work, name, "Eudora Folder")
    for sub in ("Mail Folder", "Attachments Folder", "Parts Folder"):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    return root

def message(n, body):
    head = ("From ???@??? Tue Jan 01 12:34:56 2002\rDate: Tue, 01 Jan 2002 12:34:56 +0100\r"
            "From: a@example.com\rSubject: Message %d\rMIME-Version: 1.0\r"
            'Content-Type: multipart/mixed; boundary="b%d"\r\r' % (n, n))
    return head + "".join(l + "\r" for l in body)

def mac_line(name, n):
    return "Attachment converted: Disk:Eudora Folder:Attachments Folder:%s (PDF /CARO) (%08X)" % (name, n)

# Case 1: long names that all share their first words, as a real folder of reports would.
root = eudora_folder("many")
attach = os.path.join(root, "Attachments Folder")
names = ["Quarterly report of the department %06d, final version.pdf" % i for i in range(files)]
payload = b"%PDF-1.3 " + b"x" * 1000
for name in names:
    with open(os.path.join(attach, name), "wb") as f:
        f.write(payload)
body_lines = []
for i in range(lines):
    name = names[(i * 7919) % files]
    kind = i % 5
    if kind in (0, 1):
        # Shortened: the stem is unique up to the number, the file number is stale.
        stem = name[: len("Quarterly report of the department 000000")]
        line = mac_line("%s#%X.pdf" % (stem, 0x100000 + i), i)
    elif kind == 2:
        line = mac_line("Quarterly report that was never saved %d#%X.pdf" % (i, 0x200000 + i), i)
    else:
        line = mac_line(name, i)
    body_lines.append(line)
with open(os.path.join(root, "Mail Folder", "In"), "w", encoding="latin-1", newline="") as f:
    for m in range(0, lines, 5):
        f.write(message(m // 5, ["Five files:"] + body_lines[m:m + 5]))

# Case 2: one big file.
root = eudora_folder("big")
with open(os.path.join(root, "Attachments Folder", "big.pdf"), "wb") as f:
    block = bytes(range(256)) * 4096
    for _ in range(big):
        f.write(block)
with open(os.path.join(root, "Mail Folder", "In"), "w", encoding="latin-1", newline="") as f:
    f.write(message(1, ["One big file:", mac_line("big.pdf", 1)]))
EOF

run() {  # name
  local home="$work/home-$1"
  mkdir -p "$home"
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -v "$binary" --home "$home" --no-nicknames --no-filters "$work/$1/Eudora Folder" \
    >"$work/$1.out" 2>"$work/$1.time"
  end=$(date +%s.%N)
  local seconds peak recovered missing
  seconds=$(echo "$end - $start" | bc)
  peak=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$work/$1.time")
  recovered=$(grep -a -c '  Recovering attachment' "$home/Library/Logs/Ferrolin.log" || true)
  missing=$(grep -a -c '  Missing attachment' "$home/Library/Logs/Ferrolin.log" || true)
  printf '%-6s %8.2f s  %6d recovered  %6d missing  %8.0f lines/s  peak %7s MB\n' "$1" "$seconds" \
    "$recovered" "$missing" "$(echo "($recovered + $missing) / $seconds" | bc -l)" "$peak"
}

echo "== $files files in the Attachments Folder, $lines attachment lines"
run many
echo "== one attachment of $big MB"
run big
[ "$keep" = 1 ] && echo "kept in $work"
exit 0
