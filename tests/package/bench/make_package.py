#!/usr/bin/env python3
"""Writes a full package for the install benchmark: FILES files under "TavoraStudent/" in
sub-folders, about MEGABYTES in all, half of it compressible text and half random bytes."""
import os
import random
import sys
import zipfile


def main():
    path, files, megabytes = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(20240601)
    total = megabytes * 1024 * 1024
    # A few large files and many small ones, as a client with its libraries and resources has.
    weights = [rng.paretovariate(1.2) for _ in range(files)]
    scale = total / sum(weights)
    sizes = [max(1, int(w * scale)) for w in weights]
    sizes[-1] += total - sum(sizes)
    words = b"qelvo student classroom teacher lesson screen share answer sheet hand up 0123456789 "
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
        for index, size in enumerate(sizes):
            folder = "TavoraStudent/" + ("" if index < 20 else "res/%02d/%02d/" % (index % 40, index % 7))
            name = folder + "file%04d.%s" % (index, "dll" if index % 3 == 0 else "dat")
            if index % 2 == 0:
                data = (words * (size // len(words) + 1))[:size]
            else:
                data = os.urandom(size)
            archive.writestr(name, data)
    print("package %s: %d files, %d bytes of content, %d bytes on disk" % (path, files, total, os.path.getsize(path)))


if __name__ == "__main__":
    main()
