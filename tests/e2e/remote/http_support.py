"""What the network front end's end-to-end tests share: plain requests and an
event-stream reader, on Python's standard library only."""
import http.client
import json
import threading
import time
import urllib.parse

# Safety limit for waits on the station: generous, since a loaded machine is slow.
LIMIT_S = 120


class Station:
    def __init__(self, base, token=""):
        parts = urllib.parse.urlsplit(base)
        self.host, self.port = parts.hostname, parts.port
        self.token = token

    def request(self, method, path, body=None, token=None, headers=None):
        """(status, parsed JSON or text) of one request on a fresh connection."""
        conn = http.client.HTTPConnection(self.host, self.port, timeout=LIMIT_S)
        all_headers = dict(headers or {})
        if token is not None:
            all_headers["Authorization"] = "Bearer " + token
        if isinstance(body, (dict, list)):
            body = json.dumps(body)
        conn.request(method, path, body=body, headers=all_headers)
        answer = conn.getresponse()
        text = answer.read().decode("utf-8")
        conn.close()
        kind = answer.getheader("Content-Type", "")
        return answer.status, (json.loads(text) if kind.startswith("application/json") else text)


class EventStream:
    """Reads /api/v1/events on its own thread and keeps every event."""

    def __init__(self, station, query=""):
        self.events = []
        self.cond = threading.Condition()
        self.ended = False
        self.conn = http.client.HTTPConnection(station.host, station.port, timeout=LIMIT_S)
        self.conn.request("GET", "/api/v1/events" + query)
        self.answer = self.conn.getresponse()
        assert self.answer.status == 200, self.answer.status
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        name, data = None, []
        try:
            while True:
                line = self.answer.fp.readline()
                if not line:
                    break
                line = line.decode("utf-8").rstrip("\n")
                if line.startswith("event: "):
                    name = line[7:]
                elif line.startswith("data: "):
                    data.append(line[6:])
                elif line == "" and name:
                    with self.cond:
                        self.events.append((name, json.loads("\n".join(data))))
                        self.cond.notify_all()
                    name, data = None, []
        except OSError:
            pass
        with self.cond:
            self.ended = True
            self.cond.notify_all()

    def wait_for(self, predicate, what):
        """Waits until predicate(events) holds; fails after the safety limit."""
        deadline = time.monotonic() + LIMIT_S
        with self.cond:
            while not predicate(self.events):
                left = deadline - time.monotonic()
                if left <= 0 or self.ended:
                    raise AssertionError("event stream: no " + what)
                self.cond.wait(left)
            return list(self.events)

    def records(self):
        with self.cond:
            return [data for name, data in self.events if name == "record"]


def expect(condition, message):
    if not condition:
        raise AssertionError(message)
