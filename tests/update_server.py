"""A local HTTP server for the updater tests, on 127.0.0.1 only: real files and faulty answers.

    GET /data/<file>   the file of tests/data as it is
    GET /html/<file>   an HTML error page with status 200 (as a misconfigured mirror sends)
    GET /cut/<file>    the file cut off in the middle of a line, Content-Length to match
    GET /short/<file>  the whole file's Content-Length, then half of it and the connection closed
    GET /slow/<file>   the file after a pause of SLOW_S seconds (longer than the tests' timeout)
    GET /leap1s/<file> a finals file whose UT1 - UTC jumps by 1 s where no leap second is
    anything else      404

Run as a script (the Octave test): python3 update_server.py PORTFILE [LIFETIME_S] writes
"<port> <pid>" to PORTFILE and serves until killed or for LIFETIME_S (default 300).
"""

import http.server
import os
import sys
import threading
import time

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data")
SLOW_S = 3.0


def body_of(route, name):
    with open(os.path.join(DATA, os.path.basename(name)), "rb") as f:
        data = f.read()
    if route == "cut":
        return data[:2 * len(data) // 3 + 7]
    if route == "leap1s":  # +1 s on UT1 - UTC from the 11th row on
        lines = data.splitlines(keepends=True)
        for k in range(10, len(lines)):
            value = float(lines[k][58:68]) + 1.0
            lines[k] = lines[k][:58] + b"%10.7f" % value + lines[k][68:]
        return b"".join(lines)
    return data


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        route, _, name = self.path.lstrip("/").partition("/")
        try:
            body = body_of(route, name)
        except OSError:
            route = None
        if route not in ("data", "html", "cut", "short", "slow", "leap1s"):
            self.send_error(404)
            return
        if route == "html":
            body = b"<!DOCTYPE html>\n<html><body><h1>503 Service Unavailable</h1></body></html>\n"
        if route == "slow":
            time.sleep(SLOW_S)
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:len(body) // 2] if route == "short" else body)
        self.close_connection = True

    def log_message(self, *args):
        pass


def start():
    """A server on a free port of 127.0.0.1 in a daemon thread; returns it (server_address, shutdown)."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


if __name__ == "__main__":
    server = start()
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write(f"{server.server_address[1]} {os.getpid()}\n")
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])
    time.sleep(float(sys.argv[2]) if len(sys.argv) > 2 else 300.0)
