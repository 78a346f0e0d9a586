/*
 * The floor of the benchmark: the least work that any writer of one file per message must do.
 *
 *     floor MAIL_FOLDER OUT_DIR
 *
 * Every file below MAIL_FOLDER whose first bytes are "From " is a mailbox (AppleDouble "._"
 * sidecars and tables of contents are not). Each mailbox is read once, in large blocks, and
 * cut into messages at every line that starts with "From " (the first line of the file, or
 * one after a CR or LF). Each message is written to OUT_DIR/<mailbox number>/<n>.emlx as a
 * byte-count line followed by the message with its line ends made LF (CR and CR LF both
 * become LF, as .emlx files need). Nothing else is looked at: no table of contents, no
 * headers, no character sets.
 *
 * At the end it prints one line: "mailboxes N messages M in B out O" (bytes read and written).
 *
 * Plain C99 with POSIX; memory is one read block plus the largest message.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

enum { kBlock = 1 << 20 };

static const char *gOutDir;
static long long gMailboxes, gMessages, gBytesIn, gBytesOut;
static char *gConverted;      /* one message with LF line ends */
static size_t gConvertedCap;

static void Fail(const char *what, const char *path) {
  fprintf(stderr, "floor: %s %s: %s\n", what, path, strerror(errno));
  exit(1);
}

static void *Grow(void *p, size_t *cap, size_t need) {
  if (need <= *cap) return p;
  size_t n = *cap ? *cap : 4096;
  while (n < need) n *= 2;
  p = realloc(p, n);
  if (!p) {
    fprintf(stderr, "floor: out of memory\n");
    exit(1);
  }
  *cap = n;
  return p;
}

static void WriteAll(int fd, const char *p, size_t n, const char *path) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write", path);
    }
    p += w;
    n -= (size_t)w;
  }
}

/* Writes one message: line ends to LF, then the count line and the bytes in one write. */
static void WriteMessage(const char *folder, long long number, const char *msg, size_t len) {
  gConverted = Grow(gConverted, &gConvertedCap, len + 32);
  char *out = gConverted + 32; /* room for the count line in front */
  size_t n = 0;
  for (size_t i = 0; i < len; i++) {
    char c = msg[i];
    if (c == '\r') {
      out[n++] = '\n';
      if (i + 1 < len && msg[i + 1] == '\n') i++;
    } else {
      out[n++] = c;
    }
  }
  char count[32];
  int cl = snprintf(count, sizeof count, "%zu\n", n);
  memcpy(out - cl, count, (size_t)cl);

  char path[4096];
  snprintf(path, sizeof path, "%s/%lld.emlx", folder, number);
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) Fail("cannot create", path);
  WriteAll(fd, out - cl, n + (size_t)cl, path);
  if (close(fd) != 0) Fail("cannot close", path);
  gMessages++;
  gBytesOut += (long long)n + cl;
}

static int IsMailbox(const char *path) {
  char head[5];
  int fd = open(path, O_RDONLY);
  if (fd < 0) return 0;
  ssize_t r = read(fd, head, sizeof head);
  close(fd);
  return r == 5 && memcmp(head, "From ", 5) == 0;
}

/* Reads the mailbox once; buf holds the unfinished message from `start` on. */
static void SplitMailbox(const char *path) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) Fail("cannot open", path);
  char folder[4096];
  snprintf(folder, sizeof folder, "%s/%lld", gOutDir, ++gMailboxes);
  if (mkdir(folder, 0755) != 0 && errno != EEXIST) Fail("cannot create", folder);

  static char *buf;
  static size_t cap;
  size_t start = 0, end = 0, scan = 0; /* message start, data end, next byte to search */
  long long number = 0;
  for (;;) {
    if (start > 0) { /* keep only the unfinished message */
      memmove(buf, buf + start, end - start);
      end -= start;
      scan -= start;
      start = 0;
    }
    buf = Grow(buf, &cap, end + kBlock);
    ssize_t r = read(fd, buf + end, kBlock);
    if (r < 0) {
      if (errno == EINTR) continue;
      Fail("cannot read", path);
    }
    if (r == 0) break;
    end += (size_t)r;
    gBytesIn += r;
    /* A separator is "From " right after a line end; the message before it ends there. */
    while (scan + 6 <= end) {
      char *hit = memmem(buf + scan, end - scan, "From ", 5);
      if (!hit) {
        scan = end - 5; /* "From " may straddle the block end */
        break;
      }
      size_t at = (size_t)(hit - buf);
      scan = at + 1;
      if (at == 0 || (buf[at - 1] != '\r' && buf[at - 1] != '\n')) continue;
      if (at > start) WriteMessage(folder, ++number, buf + start, at - start);
      start = at;
    }
  }
  if (end > start) WriteMessage(folder, ++number, buf + start, end - start);
  close(fd);
}

static void Walk(const char *dir) {
  DIR *d = opendir(dir);
  if (!d) Fail("cannot list", dir);
  struct dirent *e;
  while ((e = readdir(d)) != NULL) {
    if (e->d_name[0] == '.') continue; /* ".", "..", "._" sidecars, ".DS_Store" */
    char path[4096];
    snprintf(path, sizeof path, "%s/%s", dir, e->d_name);
    struct stat st;
    if (stat(path, &st) != 0) continue;
    if (S_ISDIR(st.st_mode))
      Walk(path);
    else if (S_ISREG(st.st_mode) && IsMailbox(path))
      SplitMailbox(path);
  }
  closedir(d);
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: floor MAIL_FOLDER OUT_DIR\n");
    return 2;
  }
  gOutDir = argv[2];
  if (mkdir(gOutDir, 0755) != 0 && errno != EEXIST) Fail("cannot create", gOutDir);
  Walk(argv[1]);
  printf("mailboxes %lld messages %lld in %lld out %lld\n", gMailboxes, gMessages, gBytesIn,
         gBytesOut);
  return 0;
}
