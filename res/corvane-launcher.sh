#!/bin/sh
# corvane-launcher [ARGUMENTS...]: starts Corvane in the user's data folder, $XDG_DATA_HOME/Corvane
# (~/.local/share/Corvane by default). Corvane opens the book "Corvane.bin" in the folder it starts in and never
# creates one, so on the first run this creates the folder and a fresh, empty book with corvane-create-db.
# The arguments are passed on to corvane.
#
# corvane and corvane-create-db are taken from beside this script (the installed layout); otherwise from
# CORVANE_PROGRAM and CORVANE_CREATE_DB (how scripts/run.sh points at a build tree); otherwise from PATH.
#
# Exit status: corvane's own once it has started; 2 when the book could not be made ready and there is no
# desktop to show corvane's own complaint on; 127 when corvane cannot be found.
set -u
unset CDPATH

say() {
    printf 'corvane-launcher: %s\n' "$*" >&2
}

# corvane can tell the user about a missing book itself, in a window, but only where it can open one.
desktop_present() {
    [ -n "${DISPLAY-}" ] || [ -n "${WAYLAND_DISPLAY-}" ] || [ -n "${QT_QPA_PLATFORM-}" ]
}

# The folder this script really lives in, through any symbolic links to it.
self=$(readlink -f -- "$0" 2>/dev/null) || self=$0
case $self in
*/*) here=${self%/*} ;;
*) here=. ;;
esac

# Sets the variable named $1 to the program $2 beside this script, else to the override $3, else to $2 for a
# PATH look-up. Leaves it empty when none of them can be run.
find_program() {
    if [ -f "$here/$2" ] && [ -x "$here/$2" ]; then
        found=$here/$2
    elif [ -n "$3" ]; then
        found=$3
    else
        found=$2
    fi
    command -v -- "$found" >/dev/null 2>&1 || found=
    eval "$1=\$found"
}

find_program program corvane "${CORVANE_PROGRAM-}"
find_program create_db corvane-create-db "${CORVANE_CREATE_DB-}"
if [ -z "$program" ]; then
    say "cannot find the corvane program (looked beside $self, at \$CORVANE_PROGRAM and on PATH)"
    exit 127
fi

# What went wrong on the way to a usable book; empty while all is well.
problem=
data=
# The XDG base directory rules count a relative XDG_DATA_HOME as unset.
case ${XDG_DATA_HOME-} in
/*) data=$XDG_DATA_HOME/Corvane ;;
*)
    if [ -n "${HOME-}" ]; then
        data=$HOME/.local/share/Corvane
    else
        problem="neither XDG_DATA_HOME nor HOME is set, so there is no data folder for the address book"
    fi
    ;;
esac

if [ -n "$data" ]; then
    book=$data/Corvane.bin
    # The folder holds people's addresses: only its owner may look into it. The folders above it are the user's
    # own business, hence the mode on the last one only.
    # shellcheck disable=SC2174
    if ! mkdir -p -m 700 -- "$data"; then
        problem="cannot create the data folder $data"
    else
        # An empty book file with no log beside it holds nothing: an earlier first run was cut off before the book
        # was whole. It is made afresh rather than left for Corvane to refuse at every start.
        if [ -f "$book" ] && [ ! -L "$book" ] && [ ! -s "$book" ] && [ ! -s "$book-wal" ]; then
            rm -f -- "$book" "$book-wal" "$book-shm"
        fi
    fi
    if [ -z "$problem" ] && [ ! -e "$book" ] && [ ! -L "$book" ]; then
        if [ -z "$create_db" ]; then
            problem="cannot find corvane-create-db (looked beside $self, at \$CORVANE_CREATE_DB and on PATH)"
        else
            "$create_db" "$data"
            status=$?
            case $status in
            0) ;;
            # Another start of Corvane made it in the meantime: it is there, which is all that counts.
            1) ;;
            *) problem="could not create the address book $book (corvane-create-db failed with status $status)" ;;
            esac
        fi
    fi
fi

if [ -z "$problem" ] && ! cd -- "$data"; then
    problem="cannot enter the data folder $data"
fi

if [ -n "$problem" ]; then
    say "$problem"
    if ! desktop_present; then
        exit 2
    fi
    # Rather than nothing at all, the user gets Corvane's own message that it cannot open the book, and an empty
    # window. It starts in the data folder if that can be entered, else in the root folder, which holds no book;
    # corvane writes nothing into the folder it starts in.
    say "starting Corvane without an address book"
    if [ -z "$data" ] || ! cd -- "$data" 2>/dev/null; then
        cd / || exit 2
    fi
fi

exec "$program" "$@"
