#!/usr/bin/env python3
"""Fails when the program less its embedded expert takes more bytes than the budget allows.
Usage: check_size_budget.py <program.exe> <budget file>"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "benchmarks"))
from size_table import pe_sections, resources  # noqa: E402


def budget_of(path):
    """The budget file's number: its one line that is not blank or a comment."""
    lines = [line.strip() for line in open(path, encoding="utf-8")]
    numbers = [line for line in lines if line and not line.startswith("#")]
    if len(numbers) != 1 or not numbers[0].isdigit():
        sys.exit("%s: expected one line with a number of bytes" % path)
    return int(numbers[0])


def main(argv):
    exe, budget = argv[1], budget_of(argv[2])
    data = open(exe, "rb").read()
    experts = [size for kind, name, size in resources(data, pe_sections(data)) if name == "EXPERT"]
    if len(experts) != 1:
        sys.exit("%s: no single EXPERT resource" % exe)
    overhead = len(data) - experts[0]
    print("%s less its %d-byte expert: %d bytes; the budget is %d" % (os.path.basename(exe), experts[0], overhead, budget))
    if overhead > budget:
        sys.exit("over the budget by %d bytes: find what grew (scripts/benchmark.sh prints where the bytes go) "
                 "before raising the budget in %s" % (overhead - budget, argv[2]))


if __name__ == "__main__":
    main(sys.argv)
