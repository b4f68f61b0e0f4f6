"""``python3 -m pixmill``: say which library would be loaded, and why, or why none."""
import sys

from ._library import LibraryNotFoundError, load

try:
    print(load().describe())
except LibraryNotFoundError as error:
    print(error, file=sys.stderr)
    sys.exit(1)
