#!/usr/bin/env bash
# Nickname benchmark: converts generated nickname files of growing size into the Address Book
# and into a Thunderbird address book, and prints wall time and peak memory of each run. The
# time should grow in step with the file (an index pairs alias and note lines), not with its
# square.
#
#     bench/nicknames_bench.sh [BINARY] [SIZES...]     (defaults: build/ferrolin, 5000 10000 20000 40000)
#
# Run by hand, not in CI. Each run uses a fresh home folder under /tmp, removed afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="${1:-$root/build/ferrolin}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(5000 10000 20000 40000)
work="$(mktemp -d /tmp/ferrolin-nickbench-XXXXXX)"
trap 'rm -rf "$work"' EXIT

printf '%-8s %-11s %10s %9s %12s\n' entries target seconds "peak MB" "file bytes"
for n in "${sizes[@]}"; do
  python3 "$root/bench/nicknames_generate.py" "$n" "$work/NNdbase.txt"
  bytes=$(stat -c %s "$work/NNdbase.txt")
  for target in apple-mail thunderbird; do
    home="$work/home-$target-$n"
    mkdir -p "$home"
    /usr/bin/time -f '%e %M' -o "$work/time" "$binary" --home "$home" --target "$target" \
      --no-mailboxes --no-filters --quiet "$work/NNdbase.txt"
    read -r seconds kb < "$work/time"
    printf '%-8s %-11s %10s %9d %12d\n' "$n" "$target" "$seconds" $((kb / 1024)) "$bytes"
    rm -rf "$home"
  done
done
