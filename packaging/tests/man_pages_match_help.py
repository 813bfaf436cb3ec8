#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that the manual pages name the same options as the programs' --help, and for
pelvanectl the same commands with the same options each.

usage: man_pages_match_help.py MAN_DIR BIN_DIR
"""
import re
import subprocess
import sys
from pathlib import Path

# An option: a dash or two and a letter, not inside a word ("time-stamped", "UTF-8").
OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][A-Za-z-]*)")
GLOBAL_OPTIONS = {"--settings", "--help"}


def plain_roff(text):
    """The text of a roff source without font escapes and with \\- as a plain dash."""
    text = re.sub(r"\\f[BIRP]|\\f\(..|\\f\[[A-Z]*\]", "", text)
    return text.replace("\\-", "-")


def sections(roff, macro):
    """{heading: body} for every .SH or .SS heading of a roff text."""
    found = {}
    heading = None
    for line in roff.splitlines():
        match = re.match(r"^\.(SH|SS)\s+\"?(.*?)\"?\s*$", line)
        if match and match.group(1) == "SH":
            heading = match.group(2) if macro == "SH" else None
            if heading is not None:
                found[heading] = ""
            continue
        if match and macro == "SS":
            heading = match.group(2)
            found[heading] = ""
            continue
        if heading is not None:
            found[heading] += line + "\n"
    return found


def commands_section_only(roff):
    """The .SS subsections under .SH COMMANDS."""
    return sections(sections(roff, "SH").get("COMMANDS", ""), "SS")


def options(text):
    return set(OPTION.findall(text))


def help_text(program, *args):
    done = subprocess.run([program, *args, "--help"], capture_output=True, text=True, timeout=30)
    if done.returncode != 0:
        sys.exit(f"{program} {' '.join(args)} --help exited {done.returncode}: {done.stderr}")
    return done.stdout


def compare(what, in_help, in_man, problems):
    if in_help - in_man:
        problems.append(f"{what}: --help has {sorted(in_help - in_man)}, the manual page not")
    if in_man - in_help:
        problems.append(f"{what}: the manual page has {sorted(in_man - in_help)}, --help not")


def main():
    man_dir, bin_dir = Path(sys.argv[1]), Path(sys.argv[2])
    problems = []

    for program in ("pelvane", "isqlw"):
        roff = plain_roff((man_dir / f"{program}.1.in").read_text())
        in_man = options(sections(roff, "SH").get("OPTIONS", ""))
        compare(program, options(help_text(bin_dir / program)), in_man, problems)

    ctl = bin_dir / "pelvanectl"
    roff = plain_roff((man_dir / "pelvanectl.1.in").read_text())
    top = help_text(ctl)
    listed = top.split("Commands:\n", 1)[1].split("\n\n", 1)[0]
    commands = [m.group(1) for m in re.finditer(r"^  ([a-z]+(?: [a-z]+)*)  ", listed, re.M)]
    global_help = top.split("Options:\n", 1)[1]
    compare("pelvanectl", options(global_help), options(sections(roff, "SH")["OPTIONS"]), problems)

    in_man = commands_section_only(roff)
    if set(commands) != set(in_man):
        problems.append(f"pelvanectl commands: --help lists {sorted(commands)}, "
                        f"the manual page {sorted(in_man)}")
    for command in commands:
        if command in in_man:
            own = options(help_text(ctl, *command.split())) - GLOBAL_OPTIONS
            compare(f"pelvanectl {command}", own, options(in_man[command]) - GLOBAL_OPTIONS,
                    problems)

    if not commands:
        problems.append("pelvanectl --help lists no commands")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
