#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for "rolvane-db sync add ... --machine" in the link dialog's tests, printing lines as
# the tool does. LINK_STAND_IN picks the server: "one" address book without cards (the default),
# "several", "none", "cards" (one with cards, so a book with contacts needs --merge),
# "self-signed" (until --certificate-sha256 is given), "redirect" (until --allow-host
# dav2.example is given), "no-keyring", "slow" (waits until stopped), "stubborn" (ignores
# SIGTERM too).
# Each start adds its arguments to STAND_IN_LOG, then what came on standard input. It also stands
# in for the first sync ("sync --file BOOK --machine") and for "systemctl --user".
log() { [ -n "$STAND_IN_LOG" ] && echo "$*" >>"$STAND_IN_LOG"; }
log "$*"
[ "$1" = --user ] && exit 0
if [ "$2" != add ]; then
    printf 'result\tdone\t0\t0\t0\t0\t0\t0\t0\tThe sync is done.\n'
    exit 0
fi
IFS= read -r password
log "stdin: $password"
result() {
    printf 'result\t%s\t%s\n' "$1" "$2"
    exit "$3"
}
case " $* " in *" --find "*) find=1 ;; *) find= ;; esac
case " $* " in *" --merge "*) merge=1 ;; *) merge= ;; esac
fingerprint=AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89
case "$LINK_STAND_IN" in
slow) exec sleep 30 ;;
no-keyring) result keyring "No desktop keyring is running; give --password-command." 1 ;;
stubborn)
    trap '' TERM
    exec sleep 30
    ;;
self-signed)
    case "$*" in *"--certificate-sha256 $fingerprint"*) ;; *)
        printf 'certificate\t%s\n' "$fingerprint"
        result certificate "The certificate of dav.example could not be verified." 1
        ;;
    esac
    ;;
redirect)
    case "$*" in *"--allow-host dav2.example"*) ;; *)
        printf 'redirect\tdav2.example\n'
        result redirect "The server sends us on to dav2.example; give --allow-host." 1
        ;;
    esac
    ;;
esac
if [ -n "$find" ]; then
    case "$LINK_STAND_IN" in
    several) printf 'book\thttps://dav.example/ann/work/\t3\tWork\nbook\thttps://dav.example/ann/home/\t0\tHome\n' ;;
    none) ;;
    cards) printf 'book\thttps://dav.example/ann/book/\t5\tBook\n' ;;
    *) printf 'not a line of the tool\nbook\thttps://dav.example/ann/book/\tno count\tBook\nbook\thttps://dav.example/ann/book/\t0\tBook\n' ;;
    esac
    printf 'here\t3\n'
    result found "Found them." 0
fi
if [ "$LINK_STAND_IN" = cards ] && [ -z "$merge" ]; then
    printf 'contacts\t3\tcards\t5\n'
    result merge "This book holds 3 contacts and the address book 5 cards; add --merge." 1
fi
printf 'linked\tBook\thttps://dav.example/ann/book/\n'
result done "Linked to \"Book\"." 0
