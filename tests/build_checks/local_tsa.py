"""A time-stamping authority on the loopback interface, for the signing check.

    python3 local_tsa.py <openssl> <ts config> -- <command...>

Answers RFC 3161 requests posted over HTTP with `openssl ts -reply`, runs the command with
every {tsa} in its arguments and its environment replaced by the authority's address (a free port of
127.0.0.1), and ends with it: the exit code is the command's. The server is a thread of
this process, so nothing of it outlives the command.
"""
import http.server
import os
import subprocess
import sys
import tempfile
import threading


def main():
    openssl, config = sys.argv[1], sys.argv[2]
    command = sys.argv[sys.argv.index("--") + 1:]
    with tempfile.TemporaryDirectory(prefix="tsa-") as work:
        return serve(openssl, config, command, work)


def serve(openssl, config, command, work):

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            query = os.path.join(work, "query.tsq")
            reply = os.path.join(work, "reply.tsr")
            with open(query, "wb") as f:
                f.write(self.rfile.read(int(self.headers.get("Content-Length", 0))))
            made = subprocess.run([openssl, "ts", "-reply", "-config", config, "-queryfile", query, "-out", reply],
                                  capture_output=True)
            if made.returncode != 0:
                sys.stderr.write(made.stderr.decode(errors="replace"))
                self.send_error(500)
                return
            with open(reply, "rb") as f:
                body = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    try:
        environment = {name: value.replace("{tsa}", url) for name, value in os.environ.items()}
        return subprocess.run([argument.replace("{tsa}", url) for argument in command], env=environment).returncode
    finally:
        server.shutdown()
        server.server_close()


if __name__ == "__main__":
    sys.exit(main())
