"""python -m varn update [--force] [--timeout S]: current IERS data into the data folder.

One line per file on stdout; the exit status is 0 when every file is updated
or up to date, 1 when one failed (its previous file is kept), 2 for bad
arguments. Meant for cron: quiet but for those lines.
"""

import argparse
import sys

from ._update import update_data


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python -m varn", description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    update = commands.add_parser("update", help="fetch finals2000A.all and the leap-second file "
                                 "into the data folder (VARN_DATA_DIR or the user cache folder)")
    update.add_argument("--force", action="store_true",
                        help="fetch even files fetched less than a day ago")
    update.add_argument("--timeout", type=float, default=30.0,
                        help="seconds to wait for each answer (30)")
    args = parser.parse_args(argv)
    try:
        results = update_data(force=args.force, timeout=args.timeout)
    except (ValueError, OSError) as e:
        print(f"varn update: {e}", file=sys.stderr)
        return 2 if isinstance(e, ValueError) else 1
    for r in results:
        print(r.message)
    return 1 if any(r.status == "failed" for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
