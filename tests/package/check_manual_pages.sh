#!/usr/bin/env bash
# Every option a program's --help names is described in its manual page: the
# page is where a packaged program's user looks.
#
#   check_manual_pages.sh MAN_DIR PROGRAM...    (MAN_DIR holds PROGRAM.1)
set -uo pipefail

man_dir=${1:?usage: check_manual_pages.sh MAN_DIR PROGRAM...}
shift
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# An option as a word: not part of a longer option or of a hyphenated word.
edge='[^[:alnum:]_-]'
for program in "$@"; do
  name=$(basename "$program")
  page=$man_dir/$name.1
  if [ ! -f "$page" ]; then
    fail "no manual page $page for $name"
    continue
  fi
  if ! help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help 2>&1); then
    fail "$name --help ended with an error"
    continue
  fi
  # The page's text without roff's escaped dashes and font changes.
  text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
  options=$(grep -oE "(^|$edge)--?[[:alpha:]][[:alnum:]-]*" <<<"$help" | sed -E 's/^[^-]+//' | sort -u)
  [ -n "$options" ] || fail "$name --help names no option"
  missing=0
  for option in $options; do
    if ! grep -qE -- "(^|$edge)$option($edge|\$)" <<<"$text"; then
      fail "$name: $option is in --help but not in its manual page"
      missing=$((missing + 1))
    fi
  done
  echo "$name: $(wc -w <<<"$options") options in --help, $missing missing from the manual page"
done

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
