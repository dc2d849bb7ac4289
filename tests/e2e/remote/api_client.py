"""A client of the station's network interface, as an MES or a supervisor's
script would be: reads the state while jobs run, starts and stops channels,
is refused where the station refuses, and follows the event stream.

usage: api_client.py BASE_URL TOKEN  (channels 1-4 enabled, start delay set)"""
import sys
import time

from http_support import EventStream, Station, expect

base, token = sys.argv[1], sys.argv[2]
station = Station(base)
stream = EventStream(station)
stream.wait_for(lambda e: len(e) >= 16, "first view of the 16 channels")

status, info = station.request("GET", "/api/v1/station")
expect(status == 200 and info["channels"] == 16 and info["enabled_channels"] == 4, info)
expect(info["function"] == 1 and info["device"] == "QM2D" and info["running"] is False, info)

# Control needs the token; bad input is refused with a JSON error body.
for headers, want in (({}, 401), ({"Authorization": "Basic abc"}, 401), ({"Authorization": "Bearer no"}, 403)):
    status, body = station.request("POST", "/api/v1/start", {"all": True}, headers=headers)
    expect(status == want and "error" in body, (headers, status, body))
for body in ("{", '{"channels":[0]}', '{"channels":[1,"a"]}', '{"all":false}', "[1]", '{"channels":[]}'):
    status, answer = station.request("POST", "/api/v1/start", body, token=token)
    expect(status == 400 and "error" in answer, (body, status, answer))
status, answer = station.request("POST", "/api/v1/start", "x" * (65 * 1024), token=token)
expect(status == 413 and "error" in answer, (status, answer))
status, answer = station.request("GET", "/api/v1/nothing")
expect(status == 404 and "error" in answer, (status, answer))
status, answer = station.request("GET", "/api/v1/records?date=2026-1-1")
expect(status == 400 and "error" in answer, (status, answer))

# Start-all: the channels sit in their start delay, running.
status, answer = station.request("POST", "/api/v1/start", {"all": True}, token=token)
expect(status == 200 and answer["started"] == [1, 2, 3, 4], (status, answer))

def running(events, channel):
    last = [d["status"] for n, d in events if n == "channel" and d["channel"] == channel]
    return last and last[-1] == "running"


stream.wait_for(lambda e: all(running(e, c) for c in (1, 2, 3, 4)), "running channels 1-4")
status, channels = station.request("GET", "/api/v1/channels")
expect(status == 200 and len(channels) == 16, channels)
expect([c["status"] for c in channels[:5]] == ["running"] * 4 + ["idle"], channels[:5])
expect(channels[0]["enabled"] and channels[0]["port"].startswith("/dev/"), channels[0])
status, info = station.request("GET", "/api/v1/station")
expect(info["running"] is True, info)

# A busy channel is refused with the station's text, never stopped.
status, answer = station.request("POST", "/api/v1/start", {"channels": [2]}, token=token)
expect(status == 409 and answer["error"] == "通道2已在运行", (status, answer))
status, channels = station.request("GET", "/api/v1/channels")
expect(channels[1]["status"] == "running", channels[1])

status, answer = station.request("POST", "/api/v1/stop", {"all": True}, token=token)
expect(status == 200 and answer["stopped"] == [1, 2, 3, 4], (status, answer))
stream.wait_for(lambda e: len([d for n, d in e if n == "record"]) >= 4, "records of the stopped jobs")

# Each channel as its own button starts it: four devices programmed; the
# stream brings each record as it is written.
status, answer = station.request("POST", "/api/v1/start", {"channels": [1, 2, 3, 4]}, token=token)
expect(status == 200 and answer["started"] == [1, 2, 3, 4], (status, answer))
stream.wait_for(lambda e: len([d for n, d in e if n == "record"]) >= 8, "records of the 4-channel run")
records = stream.records()
expect(sorted(r["verdict"] for r in records) == ["FAIL"] * 4 + ["PASS"] * 4, records)
passed = [r for r in records if r["verdict"] == "PASS"]
expect(sorted(r["channel"] for r in passed) == [1, 2, 3, 4], passed)
expect(len({r["mac"] for r in passed}) == 4 and all(len(r["mac"]) == 12 for r in passed), passed)
stream.wait_for(lambda e: any(n == "channel" and d["channel"] == 4 and d["verdict"] == "PASS" for n, d in e),
                "PASS tile of channel 4")

status, day = station.request("GET", "/api/v1/records?date=" + time.strftime("%Y-%m-%d"))
expect(status == 200 and sorted(r["id"] for r in day) == sorted(r["id"] for r in records), day)
print("ok")
