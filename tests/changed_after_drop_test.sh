#!/usr/bin/env bash
# The headless driver drops a folder, waits while this script changes it
# behind the tool's back, then presses the button: each change stops the
# batch with its message and moves no file. On ext4 (the usual /tmp of a
# disk install) a file made again gets the inode number of the one deleted.
#   changed_after_drop_test.sh RENAMER_DRIVER
set -euo pipefail
driver=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# NAME CHANGE EXPECTED_STATUS: CHANGE runs in the case's folder, which holds
# d/a.txt (the dropped folder's file) and other/a.txt; a batch that stops
# must have renamed nothing.
check() {
    local dir="$work/$1"
    mkdir -p "$dir/d" "$dir/other"
    echo mine >"$dir/d/a.txt"
    echo "the other folder's" >"$dir/other/a.txt"
    coproc DRIVER { exec "$driver" '^a' 'b' --drop "$dir/d" --wait "$dir/go" --apply 2>&1 >"$dir/out"; }
    local pid=$DRIVER_PID line
    read -r line <&"${DRIVER[0]}" # the drop is done
    (cd "$dir" && eval "$2")
    touch "$dir/go"
    wait "$pid" || true
    local status renamed
    status=$(tail -n 1 "$dir/out")
    renamed=$(find -L "$dir" -name b.txt)
    if [[ $status != "$3" ]]; then
        echo "$1: status \"$status\", expected \"$3\""
        failed=1
    fi
    if [[ -n $renamed && $3 == *出错* ]]; then
        echo "$1: renamed although stopped: $renamed"
        failed=1
    fi
}

check unchanged ':' '1个文件已重命名'
check swapped_for_a_link 'mv d d.old && ln -s other d' \
    '将"a.txt"重命名为"b.txt"时出错：文件夹已被替换'
# Past the clock's tick of the drop, within which a file born again cannot
# be told from the one read.
check made_again 'sleep 0.02 && rm d/a.txt && echo again >d/a.txt' '将"a.txt"重命名为"b.txt"时出错：文件已被替换'
exit $failed
