#!/usr/bin/env bash
# The Ansible role of examples/ansible against this machine (local connection), with HOME and
# the XDG directories in a temporary directory: install, unchanged rerun, removal, unchanged rerun.
# Usage: playbook-run.sh SOURCE_DIR BIN_DIR   (exit code 77: ansible-playbook missing, skipped)
set -euo pipefail
root=$(cd "$1" && pwd)
WD_PROGRAM=ansible-role
source "$root/scripts/wizard-driver.sh"
command -v ansible-playbook >/dev/null || { echo "SKIP: no ansible-playbook"; exit 77; }
wd_begin
wd_sandbox
archive=$(wd_make_demo_archive "$root" "$(cd "$2" && pwd)")
# The hosts' copy of the archive lies apart from the original, which the removal must keep.
prefix=$HOME/Halvaron remote=$WD_WORK/remote
mkdir -p "$remote"
echo keep >"$HOME/beside.txt"
export ANSIBLE_LOCAL_TEMP=$WD_WORK/ansible-local ANSIBLE_REMOTE_TEMP=$WD_WORK/ansible-remote \
    ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0

# Runs the playbook with STATE; expects SUMMARY: the end event that the role shows, if any,
# and the recap's changed and failed tasks.
play() {
    local log=$WD_WORK/play-$1-$2.log summary
    ansible-playbook -c local -i localhost, "$root/examples/ansible/playbook.yml" \
        -e "linuxinstaller_archive=$archive" -e "linuxinstaller_prefix=$prefix" \
        -e "linuxinstaller_state=$1" -e "linuxinstaller_remote_directory=$remote" >"$log" 2>&1 ||
        wd_fail "the $1 run failed: $(cat "$log")"
    summary=$(sed -nE 's/^ *"(event|exitCode)": "?([^",]*).*/\2/p
        s/^localhost .* (changed=[0-9]+) .* (failed=[0-9]+) .*/\1 \2/p' "$log" | paste -sd' ')
    [[ $summary == "$3" ]] || wd_fail "$1 run $2: expected '$3', got '$summary': $(cat "$log")"
}

play present 1 "end 0 changed=2 failed=0"
play present 2 "changed=0 failed=0"
play absent 1 "end 0 changed=2 failed=0"
[[ ! -e $prefix && ! -e $remote/${archive##*/} ]] || wd_fail "$prefix or the archive's copy is left"
[[ -f $archive && $(cat "$HOME/beside.txt") == keep ]] || wd_fail "the removal took too much"
play absent 2 "changed=0 failed=0"
echo "ansible-role: install, unchanged rerun, removal and unchanged removal passed"
