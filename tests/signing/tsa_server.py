#!/usr/bin/env python3
"""A time-stamp server on the loopback interface for the signing test, so that the time-stamp
path of the signing command is exercised without any network: it answers each RFC 3161 query
posted to it with `openssl ts -reply`, signed by a throwaway time-stamping certificate.

    tsa_server.py PORT_FILE OPENSSL_CONFIG

PORT_FILE receives the port once the server listens (a free one, chosen by the system).
"""
import http.server
import os
import subprocess
import sys
import tempfile


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        query = self.rfile.read(length)
        with tempfile.TemporaryDirectory() as work:
            query_file = os.path.join(work, "query.tsq")
            reply_file = os.path.join(work, "reply.tsr")
            with open(query_file, "wb") as f:
                f.write(query)
            result = subprocess.run(
                ["openssl", "ts", "-reply", "-config", self.server.config,
                 "-queryfile", query_file, "-out", reply_file],
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            if result.returncode != 0:
                sys.stderr.write(result.stdout.decode(errors="replace"))
                self.send_error(500)
                return
            with open(reply_file, "rb") as f:
                reply = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, format, *args):
        sys.stderr.write("tsa: " + (format % args) + "\n")


def main():
    port_file, config = sys.argv[1], sys.argv[2]
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    server.config = config
    # Written under another name and renamed, so the test never reads half a number.
    with open(port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
