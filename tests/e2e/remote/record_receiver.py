"""A stand-in for the MES's record receiver: takes each posted device record
and notes its id (one line per accepted record in ACCEPTED_FILE), answering
500 to every third request, as a busy server now and then does.

usage: record_receiver.py PORT ACCEPTED_FILE"""
import http.server
import json
import sys
import threading

port, accepted_path = int(sys.argv[1]), sys.argv[2]
lock = threading.Lock()
count = 0


class Receiver(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        global count
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with lock:
            count += 1
            refuse = count % 3 == 0
            if not refuse:
                with open(accepted_path, "a") as accepted:
                    accepted.write(json.loads(body)["id"] + "\n")
        self.send_response(500 if refuse else 200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Receiver)
print("listening", flush=True)
server.serve_forever()
