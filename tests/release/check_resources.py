#!/usr/bin/env python3
"""Checks the resources of the shipped installer without Windows, from the resource script
that windres writes back out of the built file: the manifest, icon 107, the version and
the embedded skin archive, and the release key (RCDATA 130) exactly when the build has one.
Usage: check_resources.py WINDRES INSTALLER_EXE VERSION [RELEASE_KEY]"""
import io
import re
import subprocess
import sys
import zipfile


def c_string_bytes(body, wide):
    """Bytes of one C string literal as windres writes it (octal and hex escapes)."""
    out = bytearray()
    i = 0
    while i < len(body):
        ch = body[i]
        if ch == "\\":
            nxt = body[i + 1]
            if nxt == "x":
                digits = re.match(r"[0-9a-fA-F]+", body[i + 2:]).group(0)
                value = int(digits, 16)
                out += value.to_bytes(2 if wide else 1, "little")
                i += 2 + len(digits)
                continue
            if nxt in "01234567":
                digits = re.match(r"[0-7]{1,3}", body[i + 1:]).group(0)
                out += int(digits, 8).to_bytes(2 if wide else 1, "little")
                i += 1 + len(digits)
                continue
            simple = {"n": 10, "t": 9, "r": 13, "\\": 92, '"': 34, "a": 7, "b": 8, "f": 12, "v": 11}
            out += simple[nxt].to_bytes(2 if wide else 1, "little")
            i += 2
            continue
        out += ord(ch).to_bytes(2 if wide else 1, "little")
        i += 1
    return bytes(out)


def block_bytes(lines):
    """Raw bytes of a user-defined resource block: 32-bit words, then string literals."""
    out = bytearray()
    for line in lines:
        for token in re.finditer(r'(L?)"((?:[^"\\]|\\.)*)"|0x([0-9a-fA-F]+)L', line):
            if token.group(3) is not None:
                out += int(token.group(3), 16).to_bytes(4, "little")
            else:
                out += c_string_bytes(token.group(2), token.group(1) == "L")
    return bytes(out)


def resource_blocks(script):
    """{header line: body lines} for every resource of the script."""
    blocks, header, body = {}, None, None
    for line in script.splitlines():
        if body is None:
            if line.strip() == "BEGIN" and header:
                body = []
            elif re.match(r"^\S", line) and not line.startswith(("/*", "LANGUAGE")):
                header = line.strip()
        elif line.strip() == "END" and not line.startswith(" "):
            blocks[header], header, body = body, None, None
        else:
            body.append(line)
    return blocks


def main():
    windres, exe, version = sys.argv[1:4]
    release_key = sys.argv[4].lower() if len(sys.argv) > 4 else ""
    script = subprocess.run([windres, "-i", exe, "-O", "rc"], check=True,
                            capture_output=True, text=True, errors="replace").stdout
    blocks = resource_blocks(script)
    failures = []

    def check(ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            failures.append(what)

    manifest = block_bytes(blocks.get("1 24 /* RT_MANIFEST */", [])).decode("utf-8", "replace")
    check('level="asInvoker"' in manifest, "manifest asks for the invoker's level")
    check('processorArchitecture="x86"' in manifest, "manifest names the x86 architecture")
    check(len(re.findall(r"supportedOS Id=", manifest)) == 4, "manifest lists Windows 7 to 11")
    check(any(h.startswith("107 14") for h in blocks), "icon group 107")
    commas = ", ".join(version.split("."))
    check(any(line.strip() == "FILEVERSION " + commas for line in script.splitlines()),
          "file version " + version)
    skin = block_bytes(blocks.get('129 "SKINZIP"', []))
    try:
        names = zipfile.ZipFile(io.BytesIO(skin)).namelist()
    except zipfile.BadZipFile:
        names = []
    check(len(names) == 54 and sum(n.endswith(".xml") for n in names) == 6,
          "skin archive 129 holds 6 layouts and 48 images (%d entries)" % len(names))
    key_block = next((body for header, body in blocks.items() if header.startswith("130 RCDATA")), None)
    if release_key:
        carried = block_bytes(key_block or []).rstrip(b"\0").decode("ascii", "replace")
        check(carried == release_key, "release key 130 is the build's (%s)" % (carried or "none"))
    else:
        check(key_block is None, "no release key: an unsigned build")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
