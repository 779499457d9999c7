#!/usr/bin/env bash
# Completes with the installed bash completions and the installed tools, on a scratch store:
#   check_completions.sh PREFIX
# Prints what went wrong and exits 1 when a completion is not what the shell must be given.
set -u
prefix=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export PATH=$prefix/bin:$PATH NETROVA_USER_STORE=$scratch/user.db
export NETROVA_MACHINE_STORE=$scratch/machine.db
netrova-dialup add-entry 'My ISP' >/dev/null && netrova-dialup add-entry "Tom's ISP" >/dev/null ||
  { echo "netrova-dialup add-entry failed"; exit 1; }

failed=0
# expect TOOL "WORD ..." EXPECTED...: completes the last word of the line.
expect() {
  local tool=$1 words=$2
  shift 2
  (
    source "$prefix/share/bash-completion/completions/$tool" || exit 1
    eval "COMP_WORDS=($words)"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    "_${tool//-/_}"
    [[ "${COMPREPLY[*]-}" == "$*" ]] ||
      { echo "$words: got [${COMPREPLY[*]-}], expected [$*]"; exit 1; }
  ) || failed=1
}
expect netrova-dialup "netrova-dialup dial My" 'My\ ISP'
expect netrova-dialup "netrova-dialup dial 'My\\ I'" 'My\ ISP'
expect netrova-dialup "netrova-dialup remove-entry \"'My\"" 'My ISP'
expect netrova-dialup "netrova-dialup dial T" "Tom\\'s\\ ISP"
expect netrova-dialup "netrova-dialup dial ''" 'My\ ISP' "Tom\\'s\\ ISP"
expect netrova-reg "netrova-reg get ''" 'HKCU\\' 'HKLM\\'
expect netrova-reg "netrova-reg list 'HKCU\\\\'" 'HKCU\\'
expect netrova-reg "netrova-reg get '\"HKL'" 'HKLM\\'
expect netrova-history "netrova-history --format ''" csv json
exit $failed
