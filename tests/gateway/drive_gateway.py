#!/usr/bin/env python3
"""Drives a running orvex-gateway --simulate from outside, as another program
would: every call through python3-requests, and the main ones through curl.
Usage: drive_gateway.py GATEWAY_PROGRAM WORK_DIR. Exit status 0 when all hold,
77 when python3-requests or curl is missing."""

import json
import os
import shutil
import socket
import sqlite3
import stat
import subprocess
import sys
import time

try:
    import requests
except ImportError:
    print("python3-requests is missing")
    sys.exit(77)
if shutil.which("curl") is None:
    print("curl is missing")
    sys.exit(77)

PROGRAM, WORK = sys.argv[1], sys.argv[2]
FAILURES = []


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAILED:", what, flush=True)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start(args):
    proc = subprocess.Popen([PROGRAM] + args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    lines = []
    deadline = time.time() + 20
    while time.time() < deadline:
        line = proc.stdout.readline()
        if not line:
            break
        lines.append(line)
        if "listening on" in line:
            return proc, lines
    proc.kill()
    raise SystemExit("the gateway did not start: " + "".join(lines))


def curl(*args):
    out = subprocess.run(["curl", "-s", "-w", "\n%{http_code}"] + list(args), capture_output=True, text=True,
                         timeout=30).stdout
    body, _, code = out.rpartition("\n")
    return int(code), body


def refused_start(args, words):
    result = subprocess.run([PROGRAM] + args, capture_output=True, text=True, timeout=30)
    check(result.returncode != 0 and words in result.stdout + result.stderr,
          "start refused with '%s': %r" % (words, result.stdout + result.stderr))


# A token file that is empty, or cannot be read, stops the start with a message.
empty = os.path.join(WORK, "empty.token")
open(empty, "w").close()
refused_start(["--simulate", "--token-file", empty, "--data-dir", WORK], "is empty")
refused_start(["--simulate", "--token-file", WORK, "--data-dir", WORK], "cannot be read")
refused_start(["--register", "1=/dev/null@1234"], "9600, 19200 or 38400")

port = free_port()
token_file = os.path.join(WORK, "gw.token")
proc, lines = start(["--simulate", "--listen", "127.0.0.1:%d" % port, "--token-file", token_file,
                     "--data-dir", os.path.join(WORK, "data")])
try:
    token = open(token_file).read().strip()
    check(stat.S_IMODE(os.stat(token_file).st_mode) == 0o600, "token file mode 0600")
    check(any(token in l for l in lines), "the new token is shown once at start")
    G = "http://127.0.0.1:%d/v1" % port
    H = {"Authorization": "Bearer " + token}
    s = requests.Session()

    r = s.get(G + "/health")
    check(r.status_code == 200, "health without a token")
    check(s.get(G + "/registers").status_code == 401, "registers without a token is 401")
    check(s.get(G + "/registers", headers={"Authorization": "Bearer nope"}).status_code == 401, "wrong token 401")

    regs = s.get(G + "/registers", headers=H).json()
    check(regs[0]["id"] == "1" and regs[0]["connected"] and regs[0]["speed"] == 19200, "registers: %r" % regs)

    doc = s.get(G + "/openapi.json", headers=H).json()
    check(doc["openapi"].startswith("3.") and "/v1/registers/{id}/receipts" in doc["paths"], "openapi document")

    st = s.get(G + "/registers/1/status", headers=H)
    check(st.status_code == 200 and st.json()["receiptStatus"] == "outside" and st.json()["clock"], "status %s" % st.text)

    body = {"lines": [{"plu": 1, "quantity": 2}, {"plu": 2, "adjustment": {"type": "decrement", "percent": 10}}],
            "subtotal": True, "payments": [{"type": "card", "amount": 1}, {"type": "cash"}]}
    r = s.post(G + "/registers/1/receipts", json=body, headers=dict(H, **{"Idempotency-Key": "py-1"}))
    check(r.status_code == 201, "receipt %d %s" % (r.status_code, r.text))
    receipt = r.json()
    check([l["description"] for l in receipt["lines"]] == ["MILK 1L", "BREAD"], "lines as recorded")
    check(abs(receipt["total"] - (2 * 1.19 + 0.65 - 0.07)) < 0.005, "total %r" % receipt["total"])
    # A client that lost the answer retries with the same key: the same receipt, nothing printed again.
    again = s.post(G + "/registers/1/receipts", json=body, headers=dict(H, **{"Idempotency-Key": "py-1"}))
    check(again.status_code == 201 and again.json() == receipt, "repeated key returns the first outcome")
    got = s.get(G + "/registers/1/receipts/py-1", headers=H).json()
    check(got["state"] == "completed" and got["outcome"] == receipt, "receipt by key")
    check(s.get(G + "/registers/1/receipts/none", headers=H).status_code == 404, "unknown key 404")

    bad = s.post(G + "/registers/1/receipts", json={"lines": [{"plu": 1, "size": 2}], "payments": [{"type": "cash"}]},
                 headers=dict(H, **{"Idempotency-Key": "py-2"}))
    check(bad.status_code == 400 and bad.json()["field"] == "lines[0].size", "unknown field %s" % bad.text)
    big = s.post(G + "/registers/1/receipts", data=b"{" + b" " * (300 * 1024) + b"}",
                 headers=dict(H, **{"Idempotency-Key": "py-3"}))
    check(big.status_code == 413, "oversize body %d" % big.status_code)
    refused = s.post(G + "/registers/1/receipts", json={"lines": [{"plu": 9000}], "payments": [{"type": "cash"}]},
                     headers=dict(H, **{"Idempotency-Key": "py-4"}))
    check(refused.status_code == 422 and refused.json()["registerError"]["code"] == "E30",
          "register error %s" % refused.text)

    journal = s.get(G + "/registers/1/journal", params={"after": 0}, headers=H).json()["records"]
    closes = [x for x in journal if x["code"] == "O"]
    check(len(closes) == 1 and closes[0]["receiptNumber"] == receipt["receiptNumber"], "one close record")

    # The live journal replays from after=0 and goes on.
    with s.get(G + "/registers/1/journal/stream", params={"after": 0}, headers=H, stream=True, timeout=10) as ev:
        check(ev.headers["Content-Type"].startswith("text/event-stream"), "event stream type")
        first = b""
        for chunk in ev.iter_content(chunk_size=None):
            first += chunk
            if b"\nid: 1\n" in first and first.endswith(b"\n\n"):
                break
        check(b"\n\nid: 1\nevent: record\ndata: {" in first, "first event %r" % first[:200])


    # The same calls from curl.
    auth = "Authorization: Bearer " + token
    code, text = curl("-H", auth, G + "/registers")
    check(code == 200 and json.loads(text)[0]["id"] == "1", "curl registers")
    code, _ = curl(G + "/registers")
    check(code == 401, "curl without token")
    code, text = curl("-H", auth, G + "/registers/1/status")
    check(code == 200 and json.loads(text)["lastError"]["code"] == "E30", "curl status after the refused line: %d %s" % (code, text))
    code, text = curl("-H", auth, "-H", "Idempotency-Key: py-1", "-X", "POST", G + "/registers/1/receipts",
                      "-d", json.dumps(body))
    check(code == 201 and json.loads(text) == receipt, "curl repeated key")
    code, text = curl("-H", auth, G + "/registers/1/journal?after=0")
    check(code == 200 and json.loads(text)["records"][0]["seq"] == 1, "curl journal")
    code, text = curl("-H", auth, "-X", "PUT", G + "/registers/1/plus/5",
                      "-d", '{"description":"MLEKO","price":1.99,"department":1,"active":true}')
    check(code == 200 and json.loads(text)["description"] == "MLEKO", "curl PUT plus/5 %d %s" % (code, text))
    code, text = curl("-H", auth, "-H", "Idempotency-Key: 7f3c01", "-X", "POST", G + "/registers/1/receipts",
                      "-d", '{"lines":[{"plu":5,"quantity":2}],"payments":[{"type":"cash"}]}')
    check(code == 201 and json.loads(text)["lines"][0]["quantity"] == 2, "curl receipt of PLU 5 %d %s" % (code, text))
    code, text = curl("-H", auth, G + "/registers/1/reports/tax-groups")
    check(code == 200, "curl tax groups %d %s" % (code, text))
    code, text = curl("-H", auth, "-X", "POST", G + "/registers/1/z-report", "-d", '{"confirm": true}')
    check(code == 200, "curl Z report %d %s" % (code, text))
    code, text = curl("-H", auth, G + "/openapi.json")
    check(code == 200 and "paths" in json.loads(text), "curl openapi")
    # The register's own data: a PLU written and sold by number, as a web shop would.
    r = s.put(G + "/registers/1/plus/5", headers=H,
              json={"description": "MLEKO", "price": 1.99, "department": 1, "active": True})
    check(r.status_code == 200 and r.json()["description"] == "MLEKO", "PUT plus/5 %d %s" % (r.status_code, r.text))
    r = s.get(G + "/registers/1/plus/5", headers=H)
    check(r.status_code == 200 and abs(r.json()["price"] - 1.99) < 0.001, "GET plus/5 %s" % r.text)
    r = s.put(G + "/registers/1/plus/5", headers=H, json={"description": "MLEKO", "price": "cheap"})
    check(r.status_code == 400 and r.json()["field"] == "price", "a wrong type names its field %s" % r.text)
    milk = s.post(G + "/registers/1/receipts", headers=dict(H, **{"Idempotency-Key": "py-milk"}),
                  json={"lines": [{"plu": 5, "quantity": 2}], "payments": [{"type": "cash"}]})
    check(milk.status_code == 201 and milk.json()["lines"][0]["description"] == "MLEKO"
          and abs(milk.json()["total"] - 3.98) < 0.005, "receipt of PLU 5 %s" % milk.text)
    for report in ("tax-groups", "departments", "daily-status", "last-z", "operators", "operators/1"):
        r = s.get(G + "/registers/1/reports/" + report, headers=H)
        check(r.status_code == 200 and isinstance(r.json(), dict), "report %s %d %s" % (report, r.status_code, r.text[:200]))

    def job(response, what):
        check(response.status_code == 202 and response.headers.get("Location"), "%s starts a job: %s" % (what, response.text))
        url = "http://127.0.0.1:%d" % port + response.json()["job"]
        deadline = time.time() + 60
        while time.time() < deadline:
            state = s.get(url, headers=H).json()
            if state["state"] not in ("queued", "running", "cancelling"):
                return state
            time.sleep(0.05)
        check(False, "%s ends" % what)
        return {}

    sales = job(s.get(G + "/registers/1/reports/plu-sales", params={"from": 1, "to": 10}, headers=H), "PLU sales")
    check(sales.get("state") == "done" and any(p["plu"] == 5 for p in sales["result"]["plus"]), "PLU sales %r" % sales)
    read = job(s.get(G + "/registers/1/plus", params={"from": 1, "to": 6}, headers=H), "a range read")
    check(read.get("state") == "done" and read["done"] == 6 and len(read["result"]["plus"]) == 6, "range read %r" % read)
    header = s.get(G + "/registers/1/header", headers=H)
    check(header.status_code == 200 and len(header.json()["lines"]) == 8, "header %s" % header.text[:200])
    r = s.put(G + "/registers/1/thanks", headers=H, json={"text": "HVALA"})
    check(r.status_code == 200, "PUT thanks %d %s" % (r.status_code, r.text))
    check(s.get(G + "/registers/1/thanks", headers=H).status_code == 200, "GET thanks")
    r = s.post(G + "/registers/1/z-report", headers=H, json={"confirm": False})
    check(r.status_code == 400 and r.json()["field"] == "confirm", "an unconfirmed Z is refused %s" % r.text)
finally:
    proc.terminate()
    try:
        check(proc.wait(timeout=10) == 0, "the gateway ends cleanly on SIGTERM")
    except subprocess.TimeoutExpired:
        proc.kill()
        check(False, "the gateway ends on SIGTERM")

# The data folder's history keeps each receipt request's outcome once: those
# that reached the register, not the bodies refused before it.
with sqlite3.connect(os.path.join(WORK, "data", "history.sqlite")) as db:
    kept = db.execute("SELECT request_key, status, receipt_number FROM gateway_receipts ORDER BY seq").fetchall()
by_key = {k: (status, number) for k, status, number in kept}
check(len(by_key) == len(kept) and by_key.get("py-1") == (201, receipt["receiptNumber"]) and
      by_key.get("py-4") == (422, None) and "py-2" not in by_key and "py-3" not in by_key,
      "gateway receipts kept %r" % kept)

# TLS, when openssl can make a certificate.
if shutil.which("openssl"):
    cert, key = os.path.join(WORK, "cert.pem"), os.path.join(WORK, "key.pem")
    made = subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                           "-days", "1", "-subj", "/CN=127.0.0.1"], capture_output=True)
    if made.returncode == 0:
        port = free_port()
        proc, _ = start(["--simulate", "--listen", "127.0.0.1:%d" % port, "--token-file", token_file,
                         "--data-dir", os.path.join(WORK, "data2"), "--tls-cert", cert, "--tls-key", key])
        try:
            code, text = curl("-k", "-H", "Authorization: Bearer " + token,
                              "https://127.0.0.1:%d/v1/registers" % port)
            check(code == 200 and json.loads(text)[0]["id"] == "1", "registers over TLS: %d %s" % (code, text))
        finally:
            proc.terminate()
            proc.wait(timeout=10)

print("%d failures" % len(FAILURES))
sys.exit(1 if FAILURES else 0)
