#!/usr/bin/env python3
"""Runs the examples of the manuals that are marked to run, against simulated
registers, and compares their output with the output the manuals show.

A block runs when the line before its opening fence is `<!-- runs -->`. In a
```console block each command starts with "$ " (a line ending in a backslash,
or with a quotation still open, goes on in the next one) and the lines up to the next command are its output;
in a ```sh block every line is a command, its output not shown. An output line
of "..." stands for any number of lines, "..." inside a line for any text; a
command without output shown must only succeed. A command ending in "&" runs in
the background until its document is done; the next command waits until it
says it is ready (a gateway's "listening on", a simulator's device path). The blocks of one document share a shell, so variables
and files carry from block to block, in a fresh temporary folder. The
gateway's documented address 127.0.0.1:8472 is replaced by a free port.

Usage: run_doc_examples.py BIN_DIR[:BIN_DIR...] DOCUMENT... Exit status 0 when
every example held."""

import os
import re
import shlex
import shutil
import socket
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^```(\w*)\s*$")
MARK = "<!-- runs -->"
DOC_PORT = "127.0.0.1:8472"


def examples(path):
    """Yields (line number, commands) per marked block; a command is (text, expected lines or None)."""
    lines = open(path, encoding="utf-8").read().splitlines()
    i = 0
    while i < len(lines):
        fence = FENCE.match(lines[i])
        if not fence:
            i += 1
            continue
        kind = fence.group(1)
        marked = i > 0 and lines[i - 1].strip() == MARK
        start = i + 1
        i += 1
        body = []
        while i < len(lines) and not lines[i].startswith("```"):
            body.append(lines[i])
            i += 1
        i += 1
        if not marked:
            continue
        if kind not in ("console", "sh"):
            raise SystemExit(f"{path}:{start}: a marked block must be ```console or ```sh, not '{kind}'")
        yield start, list(commands(body, kind, path, start))


def goes_on(text):
    """Whether a command goes on in the next line: a closing backslash or an open quotation."""
    if text.endswith("\\"):
        return True
    try:
        shlex.split(text, comments=True)
    except ValueError:
        return True
    return False


def commands(body, kind, path, start):
    current = None
    continued = False
    for offset, line in enumerate(body):
        if continued:
            current[0] += "\n" + line
            continued = goes_on(current[0])
            continue
        if kind == "sh" or line.startswith("$ "):
            if current:
                yield tuple(current)
            text = line[2:] if kind == "console" else line
            if not text.strip() or text.lstrip().startswith("#"):
                current = None
                continue
            current = [text, [] if kind == "console" else None]
            continued = goes_on(text)
        elif current is None:
            raise SystemExit(f"{path}:{start + offset + 1}: output before any command")
        else:
            current[1].append(line)
    if current:
        yield tuple(current)


def line_matches(expected, actual):
    pattern = ".*".join(re.escape(part) for part in expected.split("..."))
    return re.fullmatch(pattern, actual.rstrip()) is not None


def output_matches(expected, actual):
    """Whether the actual lines are the expected ones, a line "..." standing for any number."""
    if not expected:
        return not actual
    if expected[0].strip() == "...":
        return any(output_matches(expected[1:], actual[k:]) for k in range(len(actual) + 1))
    return bool(actual) and line_matches(expected[0], actual[0]) and output_matches(expected[1:], actual[1:])


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def run_document(path, bin_path):
    blocks = list(examples(path))
    if not blocks:
        return 0, []
    work = tempfile.mkdtemp(prefix="orvex-doc-")
    address = f"127.0.0.1:{free_port()}"
    # curl shows no progress meter on a terminal, which is where the manuals' commands are typed.
    with open(os.path.join(work, ".curlrc"), "w") as curlrc:
        curlrc.write("silent\nshow-error\n")
    script = ["set +e", f"cd {work}", "mkdir -p out", "_wait_for() {",
              "  for _ in $(seq 300); do grep -qE 'listening on|^/dev/' \"$1\" 2>/dev/null && return 0; sleep 0.1; done",
              "  echo \"nothing from the background command\" >&2; return 1", "}"]
    ran = []
    for start, block in blocks:
        for text, expected in block:
            n = len(ran)
            command = text.replace(DOC_PORT, address)
            background = re.search(r"(?<!&)&\s*(#[^\n]*)?$", command)
            if background:
                command = command[:background.start()]
                script.append(f"{{ {command}\n}} >out/{n}.out 2>&1 </dev/null & echo $! >>out/background")
                script.append(f"_wait_for out/{n}.out; echo $? >out/{n}.rc")
            else:
                script.append(f"{{ {command}\n}} >out/{n}.out 2>&1 </dev/null; echo $? >out/{n}.rc")
            ran.append((start, text, expected))
    script.append("for p in $(cat out/background 2>/dev/null); do kill $p 2>/dev/null; done")
    script.append("for p in $(cat out/background 2>/dev/null); do wait $p 2>/dev/null; done")
    env = dict(os.environ, PATH=bin_path + os.pathsep + os.environ["PATH"], HOME=work,
               XDG_CONFIG_HOME=os.path.join(work, ".config"), LC_ALL="C.UTF-8")
    try:
        subprocess.run(["bash", "-c", "\n".join(script)], env=env, timeout=600, check=False)
        failures = []
        for n, (start, text, expected) in enumerate(ran):
            where = f"{path}:{start}: $ {text}"
            try:
                rc = open(os.path.join(work, "out", f"{n}.rc")).read().strip()
                out = open(os.path.join(work, "out", f"{n}.out"), errors="replace").read().splitlines()
            except OSError:
                failures.append(f"{where}\n  did not run")
                continue
            if rc != "0":
                failures.append(f"{where}\n  exit status {rc}:\n    " + "\n    ".join(out[-20:]))
            elif expected and not output_matches(expected, out):
                failures.append(f"{where}\n  the manual shows:\n    " + "\n    ".join(expected) +
                                "\n  it printed:\n    " + "\n    ".join(out[-40:]))
        return len(ran), failures
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    bin_path = os.pathsep.join(os.path.abspath(p) for p in sys.argv[1].split(os.pathsep))
    total, failures = 0, []
    for path in sys.argv[2:]:
        count, failed = run_document(path, bin_path)
        print(f"{path}: {count} example command(s), {len(failed)} failed", flush=True)
        total += count
        failures += failed
    for failure in failures:
        print("FAILED:", failure)
    if total == 0:
        print("FAILED: no example is marked to run")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
