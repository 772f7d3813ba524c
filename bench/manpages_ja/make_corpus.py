#!/usr/bin/env python3
"""Builds the Japanese manual-page corpus for the search comparison.

Every page of Debian's manpages-ja of at least --min-bytes (after conversion) is taken as
its troff source, converted to CP932 (characters without a CP932 form become "?") with
CR LF line ends, and written --copies times into a tree copy/section/name.txt. With the
defaults that is about 9,100 files and 99 MB. The same package and options give the same
bytes, so timings of different builds compare.

usage: make_corpus.py OUTDIR [--copies N] [--min-bytes N]
"""
import argparse
import gzip
import os
import shutil
import subprocess


def pages():
    listed = subprocess.run(["dpkg", "-L", "manpages-ja"], capture_output=True, text=True,
                            check=True).stdout.split("\n")
    return sorted(p for p in listed if p.endswith(".gz") and "/man/ja/" in p)


def convert(path):
    text = gzip.open(path).read().decode("utf-8", "replace")
    text = text.replace("\r\n", "\n").replace("\r", "\n").replace("\n", "\r\n")
    return text.encode("cp932", "replace")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("outdir")
    ap.add_argument("--copies", type=int, default=10)
    ap.add_argument("--min-bytes", type=int, default=2000)
    args = ap.parse_args()

    sources = pages()
    stamp = args.outdir.rstrip("/") + ".stamp"
    want = f"{args.copies} {args.min_bytes} {len(sources)}\n"
    if os.path.exists(stamp) and open(stamp).read() == want:
        print(f"corpus up to date in {args.outdir}")
        return
    if os.path.exists(args.outdir):
        shutil.rmtree(args.outdir)
    os.makedirs(args.outdir)

    converted = []
    for path in sources:
        data = convert(path)
        if len(data) < args.min_bytes:
            continue
        section = os.path.basename(os.path.dirname(path))  # man1, man5, ...
        name = os.path.basename(path)[: -len(".gz")] + ".txt"
        converted.append((section, name, data))
    written = 0
    files = 0
    for copy in range(args.copies):
        for section, name, data in converted:
            folder = os.path.join(args.outdir, f"c{copy:02d}", section)
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
            written += len(data)
            files += 1
    with open(stamp, "w") as f:
        f.write(want)
    print(f"wrote {files} files, {written / 1e6:.1f} MB in {args.outdir}")


if __name__ == "__main__":
    main()
