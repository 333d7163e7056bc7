#!/usr/bin/env python3
"""Writes keyword lists for the benchmark: LISTS files holding TOTAL keywords in
all, each sorted in the cache's order (plain byte order for these ASCII
keywords), CR LF line ends, some aliases, and some keywords shared by several
lists. Also writes each list's keyword lines alone (*.lines) for sort -m and cat.

SHAPE is how the keywords are drawn:
  even    first bytes evenly over a to z, "_", "." and the digits, then random
          letters: every bucket of the cache about as long as the others;
  win32   shaped like the names of a Windows API: first letters as often as in
          such names (s, c and w far ahead, j, q and z rare), and long shared
          beginnings (get, set, wm_, create, ...) followed by words, so that a
          few buckets hold most entries and their keywords agree in their first
          bytes, as they do in real lists.

usage: genlists.py DIR LISTS TOTAL [SEED] [SHAPE]
"""
import os
import random
import sys

# Share of names beginning with each letter, and the beginnings they share
# (with weights; "" is a name of plain words). Estimated from the general
# shape of Windows API naming: functions (verb first), window messages and
# styles (WM_, LVM_, WS_), error and flag constants, structures and
# interfaces. Not counted from any real list.
WIN32_LEADS = {
    "s": (17.5, {"set": 5, "sc_": 1, "sm_": 1, "sb_": 1, "shget": 1, "sql_": 2, "sec_": 1, "sspi": 1, "": 2}),
    "c": (11.0, {"create": 4, "cb_": 1, "cm_": 2, "cert": 2, "crypt": 2, "cs_": 1, "co": 1, "": 2}),
    "w": (9.0, {"wm_": 5, "ws_": 2, "wsa": 2, "wait": 1, "win": 1, "wnet": 1, "": 1}),
    "i": (7.5, {"is": 3, "iid_": 2, "ioctl_": 2, "idc_": 1, "idm_": 1, "i": 2}),
    "d": (6.0, {"delete": 2, "dm_": 1, "dd": 2, "dispid_": 2, "dns_": 1, "": 1}),
    "e": (5.5, {"error_": 4, "enum": 2, "em_": 1, "ev_": 1, "": 1}),
    "m": (5.0, {"mf_": 1, "mci_": 2, "mb_": 1, "msg": 1, "mm": 1, "": 1}),
    "g": (4.5, {"get": 8, "gdi": 1, "gw_": 1}),
    "p": (4.5, {"pfn": 2, "process_": 1, "print": 1, "pbm_": 1, "ps": 1, "": 1}),
    "r": (4.0, {"reg": 3, "rpc_": 2, "read": 1, "rtl": 2, "": 1}),
    "l": (3.5, {"lvm_": 2, "lb_": 1, "lvs_": 1, "load": 1, "lsa": 2, "": 1}),
    "t": (3.5, {"tvm_": 2, "tb_": 1, "tcm_": 1, "ttm_": 1, "": 1}),
    "h": (3.0, {"http": 2, "hkey_": 1, "hdm_": 1, "ht": 1, "": 1}),
    "n": (3.0, {"nm_": 2, "net": 2, "nt": 2, "": 1}),
    "f": (2.5, {"find": 1, "file_": 2, "format": 1, "": 1}),
    "a": (2.5, {"alloc": 1, "acm": 1, "add": 1, "": 1}),
    "o": (1.5, {"ole": 2, "open": 1, "": 1}),
    "b": (1.5, {"bm_": 1, "bs_": 1, "": 1}),
    "u": (1.2, {"update": 1, "": 1}),
    "v": (1.0, {"var": 2, "": 1}),
    "k": (0.8, {"key_": 1, "": 1}),
    "x": (0.6, {"xact": 1, "": 1}),
    "_": (0.6, {"_": 1}),
    "j": (0.2, {"job_": 1, "": 1}),
    "q": (0.2, {"query": 1, "": 1}),
    "y": (0.2, {"": 1}),
    "z": (0.2, {"zone": 1, "": 1}),
}
WORDS = """window text file name info data handle proc class menu item list object key value
state mode size count index process thread module device buffer message font brush color
rect point region bitmap icon cursor dialog control button edit box view event time security
token service printer job port path directory volume drive heap memory virtual library
resource string format locale code page char wide multi byte console input output screen
attribute flag option param status error notify callback hook timer clipboard cache registry
user group account domain session network socket address host protocol stream storage
property interface query enum create delete open close read write load free alloc map copy
move find first next show hide enable update draw paint scroll track capture focus parent
child owner desktop station clip palette pen shell link folder task job pipe mailslot mutex
semaphore section context frame layout column row header tab tree tool tip status bar
progress range position offset length width height style ex class extra""".split()
SUFFIXES = ["", "", "", "", "a", "w", "ex", "exa", "exw", "2", "32"]


def even_word(rng):
    first = "abcdefghijklmnopqrstuvwxyz_.0123456789"
    rest = "abcdefghijklmnopqrstuvwxyz0123456789_"
    return rng.choice(first) + "".join(rng.choice(rest) for _ in range(rng.randint(2, 18)))


def win32_word(rng, leads, weights):
    letter = rng.choices(leads, weights)[0]
    starts = WIN32_LEADS[letter][1]
    start = rng.choices(list(starts), list(starts.values()))[0]
    if not start.startswith(letter):
        start = letter + start
    parts = [rng.choice(WORDS) for _ in range(rng.choice((1, 2, 2, 3, 3, 4)))]
    if start.endswith("_"):
        return start + "_".join(parts)
    return start + "".join(parts) + rng.choice(SUFFIXES)


def main():
    out, lists, total = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 7)
    shape = sys.argv[5] if len(sys.argv) > 5 else "even"
    leads = list(WIN32_LEADS)
    weights = [WIN32_LEADS[k][0] for k in leads]
    draw = {"even": even_word, "win32": lambda r: win32_word(r, leads, weights)}[shape]
    os.makedirs(out, exist_ok=True)
    per_list = [total // lists + (1 if i < total % lists else 0) for i in range(lists)]
    shared = []
    for i, count in enumerate(per_list):
        words = set()
        # About 2% of each list also stands in another list.
        take = min(len(shared), count // 50)
        words.update(rng.sample(shared, take) if take else [])
        misses = 0
        while len(words) < count:
            w = draw(rng)
            if w in words:
                # A crowded beginning: a number keeps the name new, as versions do.
                misses += 1
                w += str(misses)
            words.add(w)
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
