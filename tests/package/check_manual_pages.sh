#!/usr/bin/env bash
# Every option a program's --help names is described in its manual page (and
# quarnctl's --set keys, the settings table's, are its list of keys): the
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

# The keys of quarnctl's --set, which are the settings table's, as its help
# lists them ("chiavi: code, frequency (MHz), ..."), against the list in the
# page's "Keys:" paragraph, both ways.
check_set_keys() {
  local program=$1 text=$2 table page_keys
  table=$("$program" program --help 2>&1 | tr '\n' ' ' | grep -oE 'chiavi: [^;]*una volta' |
    sed -E -e 's/^chiavi: //' -e 's/ *una volta$//' -e 's/\([^)]*\)//g' | tr ', ' '\n\n' | grep . | sort -u)
  page_keys=$(awk '/^Keys:/ { on = 1 } on && !/^\./ { print } on && /\)\.$/ { exit }' <<<"$text" |
    sed -e 's/^Keys://' | tr ', ' '\n\n' | grep . | sort -u)
  [ -n "$table" ] || fail "quarnctl program --help lists no --set key"
  [ -n "$page_keys" ] || fail "the quarnctl page has no \"Keys:\" list under --set"
  local key
  for key in $(comm -23 <(echo "$table") <(echo "$page_keys")); do fail "quarnctl: --set key $key is not in the page's Keys list"; done
  for key in $(comm -13 <(echo "$table") <(echo "$page_keys")); do fail "quarnctl page: Keys lists $key, which is no setting"; done
  echo "quarnctl: $(wc -w <<<"$table") --set keys checked against the manual page"
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
  [ "$name" = quarnctl ] && check_set_keys "$program" "$text"
done

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
