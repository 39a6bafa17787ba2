#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end, as a user: the set-up tool makes a sample book in a fresh HOME, then the real program
# is driven with xdotool under Xvfb; fields are read back through the clipboard and the file is
# checked with the sqlite3 shell. Arguments: Rolvane, rolvane-db, wm_close.
set -euo pipefail
program=$1 tool=$2 wm_close=$3

export HOME=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$HOME"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
book="$HOME/.local/share/Rolvane/Address Book/addy.mdb"

fail() { echo "FAIL: $*" >&2; exit 1; }
sql() { sqlite3 "$book" "$1"; }
step() { sleep 0.4; }
# Waits for a visible window with this exact title; a window that never comes fails, not hangs.
window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

"$tool" create --sample
[ -f "$book" ] || fail "the set-up tool made no address book"
"$tool" create --sample 2>/dev/null && fail "the set-up tool overwrote an existing book"

"$program" &
pid=$!
win=$(window '^Rolvane 2\.0$')
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
step
eval "$(xdotool getwindowgeometry --shell "$win")"
menu=$((HEIGHT - 409)) # the client area is 409 px high, below the menu bar
[ "$WIDTH" -eq 722 ] || fail "window is $WIDTH px wide, not 722"

# Client coordinates (px) of what the test touches.
click() { xdotool mousemove --window "$win" "$1" $((menu + $2)) click 1; step; }
read_field() { # x y: click into a field and read it back through the clipboard
    click "$1" "$2"
    # An empty field copies nothing, so start from nothing. xclip stays in the background owning the
    # selection; its output must not hold this command substitution open.
    xclip -selection clipboard -i /dev/null >/dev/null 2>&1
    xdotool key --clearmodifiers ctrl+a ctrl+c
    step
    xclip -o -selection clipboard 2>/dev/null || true
}
text1() { read_field 240 25; }
text2() { read_field 240 49; }
next_row() { click 460 380; }
letter() { # A = 0
    local n=$1
    click $((552 + 32 * (n % 4) + 16)) $((80 + 32 * (n / 4) + 16))
}

# Opens on the first contact in last-name order.
want=$(sql "select [Last Name] from Rolvane order by [Last Name] limit 1;")
got=$(text2)
[ "$got" = "$want" ] || fail "first contact shows '$got', expected '$want'"

# The bar moves to the second.
next_row
want=$(sql "select [Last Name] from Rolvane order by [Last Name] limit 1 offset 1;")
got=$(text2)
[ "$got" = "$want" ] || fail "after Next the contact is '$got', expected '$want'"

# A letter narrows the contacts.
letter 1
want=$(sql "select [Last Name] from Rolvane where [Last Name] like 'B%' order by [Last Name] limit 1;")
got=$(text2)
[ "$got" = "$want" ] || fail "letter B shows '$got', expected '$want'"

# Add, type, Update stores the row with a stamp.
xdotool key --clearmodifiers alt+a
step
click 240 25
xdotool type --delay 20 "Quentin"
click 240 49
xdotool type --delay 20 "Zyzzyva"
xdotool key --clearmodifiers alt+u
step
[ "$(sql "select count(*) from Rolvane where [Last Name] = 'Zyzzyva' and [First Name] = 'Quentin' and [Last Update] <> '';")" = 1 ] \
    || fail "Add and Update did not store the new contact"

# Delete removes it again.
letter 25
[ "$(text2)" = "Zyzzyva" ] || fail "letter Z does not show the new contact"
before=$(sql "select count(*) from Rolvane;")
xdotool key --clearmodifiers alt+d
step
[ "$(sql "select count(*) from Rolvane where [Last Name] = 'Zyzzyva';")" = 0 ] || fail "Delete kept the row"
[ "$(sql "select count(*) from Rolvane;")" = $((before - 1)) ] || fail "Delete removed more than one row"

# Search finds by last name.
target=$(sql "select [Last Name] from Rolvane where [Last Name] glob '[A-Za-z]*' and [Last Name] not glob '*[^A-Za-z]*' order by [Last Name] desc limit 1;")
xdotool key --clearmodifiers alt+s
search=$(window '^Who are you looking for\?\?$')
xdotool windowactivate --sync "$search" 2>/dev/null || xdotool windowfocus --sync "$search"
step
xdotool key Tab
xdotool type --delay 20 "$target"
xdotool key --clearmodifiers alt+s
step
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
got=$(text2)
[ "$got" = "$target" ] || fail "search for '$target' shows '$got'"

# A search that finds nothing says so and goes back to all contacts.
xdotool key --clearmodifiers alt+s
search=$(window '^Who are you looking for\?\?$')
xdotool windowactivate --sync "$search" 2>/dev/null || xdotool windowfocus --sync "$search"
step
xdotool key --clearmodifiers alt+l # Clear keeps the focus on its button: click into Last Name
step
xdotool mousemove --window "$search" 256 88 click 1
step
xdotool type --delay 20 "Nobody-By-This-Name"
xdotool key --clearmodifiers alt+s
box=$(window '^Rolvane$')
[ -n "$box" ] || fail "no 'Sorry, not found!' message"
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
step
want=$(sql "select [Last Name] from Rolvane order by [Last Name] limit 1;")
got=$(text2)
[ "$got" = "$want" ] || fail "after a failed search the contact is '$got', expected '$want'"

# Closing the window through its frame writes the typed text and ends the program.
click 240 25
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Closed"
"$wm_close" "$win"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program still runs after its window was closed"
wait "$pid" || fail "the program exited with code $?"
pid=
[ "$(sql "select count(*) from Rolvane where [First Name] = 'Closed';")" = 1 ] \
    || fail "the text typed before closing was not written"

# A contacts file named on the command line, as a file manager's "Open With" starts the program:
# one question (Yes is the default), then a message, then the first added contact is shown.
cards="$HOME/contacts.vcf"
printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nN:Yarrow;Yan\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:Quill;Qi\r\nEND:VCARD\r\n' >"$cards"
before=$(sql "select count(*) from Rolvane;")
"$program" "$cards" &
pid=$!
win=$(window '^Rolvane 2\.0$')
box=$(window '^Rolvane$')
[ -n "$box" ] || fail "opening a contacts file asked nothing"
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
step
[ "$(sql "select count(*) from Rolvane;")" = $((before + 2)) ] || fail "the file's two contacts were not added"
[ "$(sql "select count(*) from Rolvane where [Last Name] = 'Yarrow' and [First Name] = 'Yan';")" = 1 ] \
    || fail "Yarrow was not stored as the file has it"
box=$(window '^Rolvane$')
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
step
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
eval "$(xdotool getwindowgeometry --shell "$win")"
menu=$((HEIGHT - 409))
got=$(text2)
[ "$got" = "Yarrow" ] || fail "after the import the contact shown is '$got', not the first added"
"$wm_close" "$win"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
wait "$pid" || fail "the program exited with code $? after an import"
pid=
echo "end-to-end: all steps passed"
