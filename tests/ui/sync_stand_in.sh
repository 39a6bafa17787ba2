#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for "rolvane-db sync --file BOOK --machine" in the Sync window's tests: prints lines
# as the tool does. STAND_IN picks the run: "done" ends with a result, "slow" waits until it is
# stopped, "stubborn" waits too but ignores SIGTERM. Each start adds its arguments to STAND_IN_LOG.
# It also stands in for "rolvane-db sync remove" (the real tool, STAND_IN_TOOL, does it) and for
# "systemctl --user"; with STAND_IN "refuse" both fail.
if [ -n "$STAND_IN_LOG" ]; then
    echo "$*" >>"$STAND_IN_LOG"
fi
if [ "$1" = --user ] || [ "$2" = remove ]; then
    if [ "$STAND_IN" = refuse ]; then
        echo "stand-in: refused as asked" >&2
        exit 1
    fi
    [ "$1" = --user ] && exit 0
    exec "$STAND_IN_TOOL" "$@"
fi
case "$STAND_IN" in
done)
    printf 'progress\tsending\t1\t2\tSending the changes made here: 1 of 2\n'
    sleep 0.2
    printf 'not a line of the tool\nprogress\tfetching\tthree\t4\tunreadable count\n'
    printf 'progress\tfetching\t3\t4\tFetching the cards changed there: 3 of 4\n'
    sleep 0.2
    printf 'conflict\tAnn Lee\nconflict\tBo Ek\nwarning\tThe card x.vcf has no UID; it was kept.\n'
    printf 'result\tdone\t1\t2\t0\t1\t0\t2\t0\t1 new here, 2 changed here, 2 conflicts\n'
    ;;
stubborn)
    trap '' TERM
    printf 'progress\tlisting\t5\t0\tAsking the server what changed: 5 cards so far\n'
    exec sleep 30
    ;;
*)
    printf 'progress\tlisting\t5\t0\tAsking the server what changed: 5 cards so far\n'
    exec sleep 30
    ;;
esac
