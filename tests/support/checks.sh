# Sourced by the shell tests: a scratch folder $work removed at exit, and a count of failed
# checks that fail "what" reports and adds to; a test ends with exit $((failures > 0)).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
