#!/usr/bin/env python3
"""Writes keyword lists for the benchmark: LISTS files holding TOTAL keywords in
all, each sorted in the cache's order (plain byte order for these ASCII
keywords), CR LF line ends, some aliases, and some keywords shared by several
lists. Also writes each list's keyword lines alone (*.lines) for sort -m and cat.

usage: genlists.py DIR LISTS TOTAL [SEED]
"""
import os
import random
import sys


def main():
    out, lists, total = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 7)
    os.makedirs(out, exist_ok=True)
    first = "abcdefghijklmnopqrstuvwxyz_.0123456789"
    rest = "abcdefghijklmnopqrstuvwxyz0123456789_"
    per_list = [total // lists + (1 if i < total % lists else 0) for i in range(lists)]
    shared = []
    for i, count in enumerate(per_list):
        words = set()
        # About 2% of each list also stands in another list.
        take = min(len(shared), count // 50)
        words.update(rng.sample(shared, take) if take else [])
        while len(words) < count:
            n = rng.randint(2, 18)
            words.add(rng.choice(first) + "".join(rng.choice(rest) for _ in range(n)))
        ordered = sorted(w.encode() for w in words)
        shared.extend(w.decode() for w in rng.sample(ordered, min(len(ordered), 2000)))
        body = bytearray()
        for w in ordered:
            body += w
            if rng.random() < 0.05:
                body += b"=" + w + b"_alias"
            body += b"\r\n"
        name = "list%d" % i
        with open(os.path.join(out, name + ".kwl"), "wb") as f:
            f.write(b"Benchmark list %d\r\nGenerated keywords\r\n" % i)
            f.write(body)
        with open(os.path.join(out, name + ".lines"), "wb") as f:
            f.write(body)


if __name__ == "__main__":
    main()
