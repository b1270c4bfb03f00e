#!/bin/sh
# The include check where only the file system can show it, with the real
# tool, as root:
#
#   include_check.sh <part> <tavrik>
#
#   exfat       a case-insensitive exFAT image mounted through FUSE
#   bindfs      the current folder seen through a second view (FUSE)
#   bind_mount  the same through a bind mount, in a mount namespace
#   unreadable  a folder on the way that an ordinary user cannot read
#
# Each part refuses the spellings that reach the user's header (status 1, a
# reason naming the output, the header unchanged, nothing new in the folder)
# and still generates for -i item.h. Exit 77 (skipped) where the system
# refuses to mount or to change user; everything mounted is unmounted on
# every exit.
set -u
part=$1
tavrik=$2
skipped=77
own='typedef struct { int id; } Item;'
failures=0

root=$(mktemp -d /tmp/tavrik-system.XXXXXX) || exit 1
mounted=
loop=
cleanup() {
    cd /
    for point in $mounted; do umount "$point" 2>/dev/null || umount -l "$point" 2>/dev/null; done
    [ -z "$loop" ] || losetup -d "$loop" 2>/dev/null
    rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

skip() { echo "skipped: $*"; exit $skipped; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run <dir> <expected status> <expected reason> <tavrik arguments...>
run() {
    dir=$1 status=$2 reason=$3
    shift 3
    before=$(ls -A "$dir")
    err=$(cd "$dir" && $as_user "$tavrik" "$@" 2>&1 >/dev/null)
    got=$?
    [ "$got" = "$status" ] && [ "$err" = "$reason" ] ||
        fail "in $dir, tavrik $*: status $got, '$err' where $status and '$reason' are due"
    if [ "$status" = 1 ] && [ "$(ls -A "$dir")" != "$before" ]; then
        fail "in $dir, tavrik $* left [$(ls -A "$dir" | tr '\n' ' ')] where [$(echo $before)] was"
    fi
}
refused() { run "$1" 1 'output file is the include file.(item_mgr.h)' -i "$2" -n Item; }
generates() {
    run "$1" 0 '' -i item.h -n Item
    rm -f "$1/item_mgr.h" "$1/item_mgr.c"
}
unchanged() { [ "$(cat "$1")" = "$own" ] || fail "$1 was changed"; }
as_user=

case $part in
exfat)
    truncate -s 8M "$root/image" && mkfs.exfat "$root/image" >/dev/null 2>&1 || skip "cannot make an exFAT image"
    loop=$(losetup -f --show "$root/image" 2>/dev/null) || skip "no free loop device"
    mkdir "$root/mnt"
    mount.exfat-fuse "$loop" "$root/mnt" >/dev/null 2>&1 || skip "mounting exFAT through FUSE is refused here"
    mounted="$root/mnt"
    echo "$own" > "$root/mnt/Item_Mgr.h"
    for spelling in Item_Mgr.h ./ITEM_MGR.H item_mgr.h; do refused "$root/mnt" "$spelling"; done
    unchanged "$root/mnt/Item_Mgr.h"
    rm "$root/mnt/Item_Mgr.h"
    # Letters no fixed table folds (U+0531, U+0561), in a name as long as
    # the file system takes: the folder itself is asked.
    long=$(printf 'x%.0s' $(seq 240))
    echo "$own" > "$root/mnt/ա${long}_mgr.h"
    run "$root/mnt" 1 "output file is the include file.(Ա${long}_mgr.h)" -i "ա${long}_mgr.h" -n "Ա${long}"
    unchanged "$root/mnt/ա${long}_mgr.h"
    rm "$root/mnt/ա${long}_mgr.h"
    # A name exFAT cannot hold names no file there.
    run "$root/mnt" 0 '' -i "$(printf 'Item_mgr.h\377')" -n Item
    rm -f "$root/mnt/item_mgr.h" "$root/mnt/item_mgr.c"
    mkdir "$root/mnt/sub"
    refused "$root/mnt/sub" ../SUB/ITEM_MGR.H
    generates "$root/mnt"
    generates "$root/mnt/sub"
    ;;
bindfs)
    mkdir "$root/work" "$root/view"
    bindfs "$root/work" "$root/view" >/dev/null 2>&1 || skip "mounting through bindfs is refused here"
    mounted="$root/view"
    refused "$root/work" ../view/item_mgr.h
    echo "$own" > "$root/work/item_mgr.h"
    refused "$root/work" ../view/item_mgr.h
    unchanged "$root/work/item_mgr.h"
    rm "$root/work/item_mgr.h"
    generates "$root/work"
    ;;
bind_mount)
    # The mount lives in a namespace of its own and ends with it.
    mkdir "$root/work" "$root/view"
    unshare -m true 2>/dev/null || skip "no mount namespace here"
    export TAVRIK_ROOT="$root" TAVRIK="$tavrik"
    out=$(unshare -m sh -c 'mount --bind "$TAVRIK_ROOT/work" "$TAVRIK_ROOT/view" || exit 77
        cd "$TAVRIK_ROOT/work" && "$TAVRIK" -i ../view/item_mgr.h -n Item; echo " status $?"; ls -A' 2>&1)
    [ $? = 77 ] && skip "bind mounts are refused here"
    [ "$out" = "output file is the include file.(item_mgr.h)
 status 1" ] || fail "through a bind mount: $out"
    ;;
unreadable)
    # As an ordinary user: root reads every folder.
    command -v setpriv >/dev/null || skip "setpriv not found"
    mkdir "$root/work" "$root/work/locked"
    ln -s .. "$root/work/locked/link"
    echo "$own" > "$root/work/item_mgr.h"
    cp "$tavrik" "$root/tavrik"
    tavrik=$root/tavrik
    chmod 755 "$root" "$tavrik"
    chown -R 65534:65534 "$root/work"
    chmod 000 "$root/work/locked"
    as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
    $as_user true 2>/dev/null || skip "cannot run as user 65534 here"
    cause=$(cd "$root/work" && $as_user ls locked/ 2>&1 | sed -n 's/.*: //p')
    for spelling in locked/link/item_mgr.h locked/link/work/item_mgr.h; do
        run "$root/work" 1 "include file check error.(item_mgr.h) ${cause:-Permission denied}" -i "$spelling" -n Item
    done
    unchanged "$root/work/item_mgr.h"
    rm "$root/work/item_mgr.h"
    generates "$root/work"
    ;;
*)
    echo "include_check.sh: unknown part $part" >&2
    exit 2
    ;;
esac
[ "$failures" = 0 ] && echo "$part: every spelling refused, item.h generated"
[ "$failures" = 0 ]
