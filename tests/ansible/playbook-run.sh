#!/usr/bin/env bash
# The Ansible role of examples/ansible against this machine (local connection): install, a
# second run that changes nothing, removal, a second removal that changes nothing; HOME and the
# XDG directories lie in a temporary directory.
#
# Usage: playbook-run.sh SOURCE_DIR BIN_DIR   (exit code 77: ansible-playbook missing, skipped)
set -euo pipefail

root=$(cd "$1" && pwd)
bin=$(cd "$2" && pwd)
WD_PROGRAM=ansible-role
source "$root/tests/xdisplay/wizard-driver.sh"
command -v ansible-playbook >/dev/null || { echo "SKIP: ansible-playbook is not installed"; exit 77; }

wd_begin
wd_sandbox
archive=$(wd_make_demo_archive "$root" "$bin")
prefix=$HOME/Halvaron
# The hosts' copy of the archive lies apart from the original, which the removal must keep.
remote=$WD_WORK/remote
mkdir -p "$remote"
echo keep >"$HOME/beside.txt"
export ANSIBLE_LOCAL_TEMP=$WD_WORK/ansible-local ANSIBLE_REMOTE_TEMP=$WD_WORK/ansible-remote
export ANSIBLE_STDOUT_CALLBACK=run_summary ANSIBLE_CALLBACK_PLUGINS=$root/tests/ansible/callback_plugins
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0

# Runs the playbook with STATE; prints "changed failures end-event" of the run.
play() {
    local state=$1 log=$WD_WORK/play-$1-$2.log
    ansible-playbook -c local -i localhost, "$root/examples/ansible/playbook.yml" \
        -e "linuxinstaller_archive=$archive" -e "linuxinstaller_prefix=$prefix" \
        -e "linuxinstaller_state=$state" -e "linuxinstaller_remote_directory=$remote" \
        >"$log" 2>"$log.err" || wd_fail "the $state run failed: $(cat "$log" "$log.err")"
    tail -n 1 "$log"
}

expect() {
    local got=$1 want=$2 what=$3
    [[ $got == "$want" ]] || wd_fail "$what: expected '$want', got '$got'"
}

read -r changed failures end < <(play present 1)
expect "$changed $failures" "2 0" "first installation (changed, failures)"
expect "$(python3 -c 'import json,sys; e=json.loads(sys.argv[1]); print(e["event"], e["exitCode"])' "$end")" \
    "end 0" "first installation's end event"
[[ -x $prefix/uninstall ]] || wd_fail "no uninstall script in $prefix"

read -r changed failures end < <(play present 2)
expect "$changed $failures $end" "0 0 null" "second installation (changed, failures, end event)"

read -r changed failures end < <(play absent 1)
expect "$changed $failures" "2 0" "removal (changed, failures)"
[[ ! -e $prefix ]] || wd_fail "$prefix is still there after the removal"
[[ ! -e $remote/${archive##*/} ]] || wd_fail "the copied archive is still there"
[[ -f $archive ]] || wd_fail "the original archive is gone"
[[ $(cat "$HOME/beside.txt") == keep ]] || wd_fail "a file beside the installation changed"

read -r changed failures end < <(play absent 2)
expect "$changed $failures $end" "0 0 null" "second removal (changed, failures, end event)"
echo "ansible-role: install, unchanged rerun, removal and unchanged removal passed"
