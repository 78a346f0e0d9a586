#!/usr/bin/env bash
# Mailbox conversion benchmark, run by hand (not in CI).
#
#   bench/run.sh [--corpus DIR] [--size 1G] [--seed 1] [--min-message 200] [--max-message 400K] [--keep]
#
# Builds ferrolin (Release, in build-bench) and the floor program, generates the corpus
# (or reuses DIR when it holds one of the same parameters; default
# /tmp/ferrolin-bench-corpus-SIZE-sSEED), then converts it three times, each with a fresh
# output folder under /tmp: the floor (one file per message), ferrolin to .emlx files
# (--system-version 10.4) and ferrolin to single mbox files (--system-version 10.3).
# Prints MB/s (10^6 bytes of mailbox text per second), messages/s and peak resident memory
# for the three. Before each run the written data of the previous one is synced; the page
# cache is dropped when /proc/sys/vm/drop_caches is writable (cold runs), otherwise the
# corpus is read once before each run (warm runs). The outputs are deleted unless --keep.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
build=$repo/build-bench

size=1G seed=1 min_message=200 max_message=400K corpus="" keep=0
while [ $# -gt 0 ]; do
  case $1 in
    --corpus) corpus=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --min-message) min_message=$2; shift 2 ;;
    --max-message) max_message=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "usage: $0 [--corpus DIR] [--size 1G] [--seed N] [--min-message 200] [--max-message 400K] [--keep]" >&2
       exit 2 ;;
  esac
done
corpus=${corpus:-/tmp/ferrolin-bench-corpus-$size-s$seed}
gen_args=(--size "$size" --seed "$seed" --min-message "$min_message" --max-message "$max_message")

if [ ! -x /usr/bin/time ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get install -y time >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y time >/dev/null; }
  else
    echo "run.sh: /usr/bin/time is missing (apt-get install time)" >&2
    exit 1
  fi
fi

echo "== building ferrolin (Release) and the floor"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFERROLIN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
cc -O2 -std=c99 -Wall -Wextra -o "$build/floor" "$here/floor.c"

if python3 "$here/generate.py" "$corpus" "${gen_args[@]}" --matches; then
  echo "== reusing the corpus in $corpus"
else
  if [ -e "$corpus" ]; then
    if [ -e "$corpus/corpus.txt" ] || [ -d "$corpus/Eudora Folder" ]; then
      rm -rf "$corpus"  # an unfinished corpus or one of other parameters
    elif [ -n "$(ls -A "$corpus")" ]; then
      echo "run.sh: $corpus exists and holds no corpus; give another --corpus" >&2
      exit 1
    fi
  fi
  echo "== generating the corpus in $corpus"
  mkdir -p "$corpus"
  python3 "$here/generate.py" "$corpus" "${gen_args[@]}"
fi
mail_folder="$corpus/Eudora Folder/Mail Folder"
bytes=$(sed -n 's/^bytes=//p' "$corpus/corpus.txt")
messages=$(sed -n 's/^messages=//p' "$corpus/corpus.txt")

if sync && { echo 3 > /proc/sys/vm/drop_caches; } 2>/dev/null; then
  cache=cold
else
  cache=warm
fi

prepare() {
  sync
  if [ $cache = cold ]; then
    echo 3 > /proc/sys/vm/drop_caches
  else
    find "$corpus/Eudora Folder" -type f -exec cat {} + >/dev/null
  fi
}

# measure NAME COUNT_COMMAND -- COMMAND...: runs COMMAND under /usr/bin/time -v, then
# COUNT_COMMAND (given the run's output file) prints the number of messages converted.
results=()
measure() {
  local name=$1 counter=$2; shift 3
  local timing out rc start end
  timing=$(mktemp /tmp/ferrolin-bench-time.XXXXXX)
  out=$(mktemp /tmp/ferrolin-bench-out.XXXXXX)
  prepare
  start=$(date +%s.%N)
  set +e
  /usr/bin/time -v -o "$timing" "$@" >"$out" 2>&1
  rc=$?
  set -e
  end=$(date +%s.%N)
  if [ $rc != 0 ]; then
    echo "run.sh: $name exited with $rc:" >&2
    tail -20 "$out" >&2
  fi
  local rss count
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): *//p' "$timing")
  count=$($counter "$out")
  results+=("$name|$start|$end|$count|$rss")
  rm -f "$timing" "$out"
}

floor_count() { sed -n 's/.*messages \([0-9]*\).*/\1/p' "$1"; }
# The summary's "N messages" line; for .emlx output the files themselves are counted too.
summary_count() { sed -n 's/^ *\([0-9][0-9]*\) messages*$/\1/p' "$1" | head -1; }
emlx_count() {
  local said found
  said=$(summary_count "$1")
  found=$(find "$home_dir/Library/Mail" -name '*.emlx' 2>/dev/null | wc -l || true)
  [ "$said" = "$found" ] || echo "run.sh: summary says $said messages, $found .emlx files" >&2
  echo "$found"
}

outputs=()
cleanup() { [ $keep = 1 ] || rm -rf "${outputs[@]}"; }
trap cleanup EXIT

echo "== converting $(awk "BEGIN { printf \"%.1f\", $bytes / 1e6 }") MB, $messages messages ($cache page cache)"
floor_dir=$(mktemp -d /tmp/ferrolin-bench-floor.XXXXXX); outputs+=("$floor_dir")
measure "floor (C, one file per message)" floor_count -- "$build/floor" "$mail_folder" "$floor_dir/out"
[ $keep = 1 ] || rm -rf "$floor_dir"

export TZ=UTC
home_dir=$(mktemp -d /tmp/ferrolin-bench-home.XXXXXX); outputs+=("$home_dir")
measure "ferrolin .emlx (10.4)" emlx_count -- "$build/ferrolin" --home "$home_dir" \
  --no-nicknames --no-filters --system-version 10.4 "$corpus/Eudora Folder"
[ $keep = 1 ] || rm -rf "$home_dir"

home_dir=$(mktemp -d /tmp/ferrolin-bench-home.XXXXXX); outputs+=("$home_dir")
measure "ferrolin mbox (10.3)" summary_count -- "$build/ferrolin" --home "$home_dir" \
  --no-nicknames --no-filters --system-version 10.3 "$corpus/Eudora Folder"

echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1)"
echo "corpus: $corpus ($bytes bytes, $messages messages), $cache page cache"
printf '%-34s %9s %9s %10s %12s %10s\n' run seconds MB/s messages messages/s "peak MiB"
floor_rate=""
for r in "${results[@]}"; do
  IFS='|' read -r name start end count rss <<<"$r"
  awk -v name="$name" -v s="$start" -v e="$end" -v bytes="$bytes" -v count="${count:-0}" -v rss="${rss:-0}" '
    BEGIN { t = e - s; if (t <= 0) t = 1e-9
            printf "%-34s %9.2f %9.1f %10d %12.0f %10.1f\n", name, t, bytes / 1e6 / t, count, count / t, rss / 1024 }'
done
echo
for r in "${results[@]:1}"; do
  IFS='|' read -r name start end count rss <<<"$r"
  IFS='|' read -r _ fstart fend _ _ <<<"${results[0]}"
  awk -v name="$name" -v s="$start" -v e="$end" -v fs="$fstart" -v fe="$fend" -v rss="${rss:-0}" -v count="${count:-0}" -v messages="$messages" '
    BEGIN { printf "%s: %.0f%% of the floor'"'"'s throughput, peak memory %.1f MiB (%s 64 MiB)%s\n", name,
                   100 * (fe - fs) / (e - s), rss / 1024, rss < 65536 ? "under" : "NOT under",
                   count == messages ? "" : sprintf(", converted %d of %d messages", count, messages) }'
done
