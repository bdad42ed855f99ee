"""A throwaway RFC 3161 timestamp server for the test command's signed
packages: answers each query with `openssl ts -reply`, signed by the test
authority's timestamping certificate (make_test_ca.sh). Listens on
127.0.0.1 at a free port, which it prints first.

    timestamp_server.py DIR   (DIR: make_test_ca.sh's, with tsa.cnf)
"""
import http.server
import os
import subprocess
import sys

config = os.path.join(sys.argv[1], "tsa.cnf")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", "/dev/stdin"],
                               input=query, capture_output=True, check=False)
        self.send_response(200 if reply.returncode == 0 else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.end_headers()
        self.wfile.write(reply.stdout)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
