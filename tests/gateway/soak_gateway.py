#!/usr/bin/env python3
"""Soak of orvex-gateway: receipts over a line that drops, corrupts and
delays frames, a client that retries every time-out and refusal-to-wait with
the same key, and the gateway killed with SIGKILL and restarted at random
moments. The register is a separate orvex-register-sim, so it outlives the
kills; its trace of every frame tells how many receipts it closed.
Usage: soak_gateway.py GATEWAY SIM WORK_DIR [RECEIPTS [KILLS]]
Each key must end in one completed receipt, closed once by the register, or a
failure with nothing sold; the register closes no receipt beyond those."""

import json
import os
import random
import signal
import socket
import subprocess
import sys
import threading
import time

try:
    import requests
except ImportError:
    print("python3-requests is missing")
    sys.exit(77)

GATEWAY, SIM, WORK = sys.argv[1], sys.argv[2], sys.argv[3]
RECEIPTS = int(sys.argv[4]) if len(sys.argv) > 4 else 1000
KILLS = int(sys.argv[5]) if len(sys.argv) > 5 else 10
rng = random.Random(7)
os.makedirs(WORK, exist_ok=True)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


trace = os.path.join(WORK, "trace.txt")
sim = subprocess.Popen([SIM, "--speed", "19200", "--drop-every", "13", "--corrupt-every", "17", "--delay", "5",
                        "--trace", trace], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
device = sim.stdout.readline().strip()
port = free_port()
token_file = os.path.join(WORK, "gw.token")
data = os.path.join(WORK, "data")


def start_gateway():
    proc = subprocess.Popen([GATEWAY, "--register", "1=" + device, "--listen", "127.0.0.1:%d" % port,
                             "--token-file", token_file, "--data-dir", data],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    for line in proc.stdout:
        if "listening on" in line:
            threading.Thread(target=lambda: [None for _ in proc.stdout], daemon=True).start()
            return proc
    raise SystemExit("the gateway did not start")


gateway = start_gateway()
token = open(token_file).read().strip()
url = "http://127.0.0.1:%d/v1/registers/1/receipts" % port
headers = {"Authorization": "Bearer " + token}
kill_at = set(rng.sample(range(RECEIPTS), min(KILLS, RECEIPTS)))
outcomes = {}
failures = []
kills = 0


def killer(delay):
    global gateway, kills
    time.sleep(delay)
    gateway.send_signal(signal.SIGKILL)
    gateway.wait()
    kills += 1
    gateway = start_gateway()


started = time.time()
for i in range(RECEIPTS):
    key = "soak-%d" % i
    lines = [{"plu": rng.randint(1, 7), "quantity": rng.randint(1, 3)} for _ in range(rng.randint(1, 4))]
    body = {"lines": lines, "payments": [{"type": rng.choice(["cash", "card", "cheque"])}]}
    k = None
    if i in kill_at:
        k = threading.Thread(target=killer, args=(rng.uniform(0.0, 0.4),))
        k.start()
    deadline = time.time() + 120
    while True:
        if time.time() > deadline:
            failures.append("%s: no final answer within 120 s" % key)
            break
        try:
            r = requests.post(url, json=body, headers=dict(headers, **{"Idempotency-Key": key}), timeout=3)
        except requests.RequestException:
            time.sleep(0.2)
            continue
        if r.status_code in (409, 503, 504) and "nothing was sent" not in r.text or r.status_code == 409:
            if "a receipt is open on the register already" in r.text:
                failures.append("%s: the register was left inside a receipt: %s" % (key, r.text))
                break
            time.sleep(0.2)
            continue
        if r.status_code == 504 and "nothing was sent" in r.text:
            time.sleep(0.2)
            continue
        outcomes[key] = (r.status_code, r.json())
        break
    if k:
        k.join()
    if failures and "left inside" in failures[-1]:
        break

gateway.send_signal(signal.SIGTERM)
gateway.wait(timeout=20)
sim.terminate()
sim.wait(timeout=20)


def payloads(direction_ok):
    out = []
    for line in open(trace):
        parts = line.split()
        if len(parts) < 3 or parts[1] not in direction_ok:
            continue
        wire = bytes(int(x, 16) for x in parts[2:])
        body, escape = bytearray(), False
        for b in wire[1:-1]:
            if escape:
                body.append(b ^ 0x20)
                escape = False
            elif b == 0x7D:
                escape = True
            else:
                body.append(b)
        out.append(bytes(body[:-2]))
    return out


def bcd(b):
    return int(b.hex())


closes = [bcd(p[7:11]) for p in payloads({"OUT", "DROP"}) if p[:1] == b"O" and len(p) >= 20]
completed = [o for s, o in outcomes.values() if s == 201]
failed = {k: (s, o) for k, (s, o) in outcomes.items() if s != 201}
numbers = [o.get("receiptNumber") for o in completed if o.get("receiptNumber") is not None]
if len(closes) != len(completed):
    failures.append("the register closed %d receipts for %d completed requests" % (len(closes), len(completed)))
if len(set(closes)) != len(closes):
    failures.append("a receipt number was closed twice")
for n in numbers:
    if closes.count(n) != 1:
        failures.append("receipt %s closed %d times" % (n, closes.count(n)))
for k, (s, o) in failed.items():
    if o.get("sold"):
        failures.append("%s failed (%d) with lines sold: %s" % (k, s, json.dumps(o)))
elapsed = time.time() - started
print("soak: %d receipts, %d completed, %d failed with nothing sold, %d closes on the register, %d kills, %.0f s"
      % (len(outcomes), len(completed), len(failed), len(closes), kills, elapsed))
for f in failures[:20]:
    print("FAILED:", f)
for k, (s, o) in list(failed.items())[:10]:
    print("failed:", k, s, json.dumps(o)[:400])
sys.exit(1 if failures else 0)
