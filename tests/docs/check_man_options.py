#!/usr/bin/env python3
"""Compares the options a manual page's OPTIONS section names with the options
the built program's --help prints, both ways.

In the manual page source, an option is a definition term of the OPTIONS
section: a line starting with `-...` in backquotes, each backquoted option on
it counting. In the --help output, an option is one in the option column of a
line starting with "-" (up to the first gap of two spaces), one on a line of a
"Commands:" section, or one inside single quotes.

Usage: check_man_options.py PAGE.md=PROGRAM ... Exit status 0 when every page
names exactly its program's options."""

import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*|--(?=\s|$))")


def man_options(path):
    options, section = set(), None
    for line in open(path, encoding="utf-8"):
        heading = re.match(r"^#\s+(.*?)\s*$", line)
        if heading:
            section = heading.group(1).upper()
            continue
        if section == "OPTIONS" and line.startswith("`-"):
            for quoted in re.findall(r"`([^`]*)`", line):
                options.update(OPTION.findall(quoted))
    return options


def help_options(program):
    run = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=60,
                         env={"QT_QPA_PLATFORM": "offscreen", "PATH": "/usr/bin:/bin"})
    if run.returncode != 0:
        raise SystemExit(f"{program} --help ended with {run.returncode}: {run.stderr}")
    options, in_commands = set(), False
    for line in run.stdout.splitlines():
        stripped = line.strip()
        if not stripped:
            in_commands = False
            continue
        if re.match(r"^\S.*:$", line):
            in_commands = line.startswith("Commands:")
            continue
        if stripped.startswith("-"):
            options.update(OPTION.findall(re.split(r"\s{2,}", stripped)[0]))
        elif in_commands:
            options.update(OPTION.findall(stripped))
        for quoted in re.findall(r"'([^']*)'", line):
            options.update(OPTION.findall(quoted))
    return options


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    failures = 0
    for pair in sys.argv[1:]:
        page, program = pair.split("=", 1)
        documented, printed = man_options(page), help_options(program)
        if not printed:
            print(f"FAILED: {program} --help names no option")
            failures += 1
            continue
        missing, extra = sorted(printed - documented), sorted(documented - printed)
        if missing or extra:
            failures += 1
            print(f"FAILED: {page}")
            if missing:
                print("  not in its OPTIONS:", " ".join(missing))
            if extra:
                print("  in its OPTIONS but not in --help:", " ".join(extra))
        else:
            print(f"{page}: {len(documented)} options, as --help prints them")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
