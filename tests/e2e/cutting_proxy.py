#!/usr/bin/env python3
"""Stands in front of the update service and cuts a download short, or slows it down.

Every connection is passed through to the service, except the responses to a GET whose
path holds the given text. With MODE "every" (the default) each such response is cut off
after half its body (as announced by Content-Length): the client gets the full header and
half the bytes, then the connection closes. With "once" only the first one is cut, after
60 % of its body, and later ones pass whole. With a number (BYTES_PER_SECOND) each is passed
whole at that rate, so that a window showing the download stays up long enough to be
looked at.

Usage: cutting_proxy.py LISTEN_PORT SERVICE_PORT PATH_TEXT [every|once|BYTES_PER_SECOND]
Prints "cutting proxy listening" once it accepts connections, and one line per cut, passed
or slowed download, with the request's Range header when it had one.
"""
import socket
import sys
import threading
import time


def relay(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    finally:
        for s in (source, target):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def read_head(sock):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            return None, data
        data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    return head, rest


def pass_slowly(client, upstream, answer_head, body, length, rate):
    """Sends the head, then the body in pieces of a tenth of a second's worth."""
    client.sendall(answer_head + b"\r\n\r\n")
    piece = max(1, rate // 10)
    sent = 0
    while sent < length:
        if not body:
            body = upstream.recv(65536)
            if not body:
                break
        part = body[:min(piece, length - sent)]
        client.sendall(part)
        sent += len(part)
        body = body[len(part):]
        time.sleep(0.1)
    return sent


cuts_left = [None]  # None: every response is cut
cuts_lock = threading.Lock()


def take_cut():
    with cuts_lock:
        if cuts_left[0] is None:
            return True
        if cuts_left[0] > 0:
            cuts_left[0] -= 1
            return True
        return False


def serve(client, service_port, path_text, rate, share):
    upstream = socket.create_connection(("127.0.0.1", service_port))
    head, rest = read_head(client)
    if head is None:
        client.close()
        upstream.close()
        return
    request_line = head.split(b"\r\n", 1)[0].decode("latin-1")
    upstream.sendall(head + b"\r\n\r\n" + rest)
    parts = request_line.split(" ")
    if len(parts) < 2 or parts[0] != "GET" or path_text not in parts[1]:
        threading.Thread(target=relay, args=(client, upstream), daemon=True).start()
        relay(upstream, client)
        return
    asked = ""
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"range":
            asked = " (Range: %s)" % value.strip().decode("latin-1")
    answer_head, body = read_head(upstream)
    length = 0
    for line in (answer_head or b"").split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    if rate:
        sent = pass_slowly(client, upstream, answer_head or b"", body, length, rate)
        print("slowed %s: %d of %d bytes at %d bytes/s" % (parts[1], sent, length, rate), flush=True)
        client.close()
        upstream.close()
        return
    if not take_cut():
        status = (answer_head or b"").split(b"\r\n", 1)[0].decode("latin-1")
        print("passed %s%s: %s" % (parts[1], asked, status), flush=True)
        client.sendall((answer_head or b"") + b"\r\n\r\n" + body)
        relay(upstream, client)
        return
    keep = length * share // 100
    while len(body) < keep:
        chunk = upstream.recv(65536)
        if not chunk:
            break
        body += chunk
    client.sendall((answer_head or b"") + b"\r\n\r\n" + body[:keep])
    print("cut %s%s after %d of %d bytes" % (parts[1], asked, keep, length), flush=True)
    client.close()
    upstream.close()


def main():
    listen_port, service_port, path_text = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    mode = sys.argv[4] if len(sys.argv) > 4 else "every"
    rate, share = 0, 50
    if mode == "once":
        cuts_left[0], share = 1, 60
    elif mode != "every":
        rate = int(mode)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", listen_port))
    listener.listen(16)
    print("cutting proxy listening", flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, service_port, path_text, rate, share), daemon=True).start()


if __name__ == "__main__":
    main()
