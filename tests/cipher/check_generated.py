#!/usr/bin/env python3
"""check_generated.py FILE -- COMMAND [ARGS...]

Fails unless COMMAND prints exactly the contents of FILE: checked-in generated
sources must be what their generator makes today, or the generator has
drifted from what was reviewed.
"""

import subprocess
import sys


def main(argv):
    if len(argv) < 4 or argv[2] != "--":
        sys.stderr.write(__doc__)
        return 2
    expected_path, command = argv[1], argv[3:]
    produced = subprocess.run(command, check=True, stdout=subprocess.PIPE).stdout
    with open(expected_path, "rb") as f:
        expected = f.read()
    if produced != expected:
        sys.stderr.write("%s differs from the output of: %s\n" % (expected_path, " ".join(command)))
        return 1
    print("%s matches its generator" % expected_path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
