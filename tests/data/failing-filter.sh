#!/bin/sh
# A print filter that always fails, as a broken driver does: it takes its
# input, says why on stderr the way CUPS reads a filter's messages, and exits
# with a failure.
[ -n "$6" ] || cat >/dev/null
echo "ERROR: Ombrastele test filter: the imaging unit is missing" >&2
exit 1
