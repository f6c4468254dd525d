# An RFC 3161 time-stamping authority for one test run: answers each POSTed TimeStampReq with
# openssl ts -reply, signed by the throwaway authority of throwaway-pki.sh. Serves 127.0.0.1 on
# a port of its choosing, which it prints as its first line; runs until killed.
#
#   python3 timestamp_server.py PKI_DIR
import http.server
import os
import subprocess
import sys
import tempfile

PKI = sys.argv[1]
MAX_REQUEST = 64 * 1024


class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        if not 0 < length <= MAX_REQUEST:
            self.send_error(400, "no time-stamp request")
            return
        with tempfile.TemporaryDirectory() as work:
            query = os.path.join(work, "query.tsq")
            reply = os.path.join(work, "reply.tsr")
            with open(query, "wb") as out:
                out.write(self.rfile.read(length))
            made = subprocess.run(["openssl", "ts", "-reply", "-config",
                                   os.path.join(PKI, "tsa.cnf"), "-queryfile", query,
                                   "-out", reply], capture_output=True, check=False)
            if made.returncode != 0:
                self.send_error(400, made.stderr.decode(errors="replace")[:200])
                return
            with open(reply, "rb") as answer:
                body = answer.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *_):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Authority)
print(server.server_address[1], flush=True)
server.serve_forever()
