# Sourced by the shell tests that need the test database: require_test_db VAR... stops the test
# with a message saying how to start the server when one of the named variables is missing.
require_test_db() {
  local var
  for var in "$@"; do
    if [ -z "${!var:-}" ]; then
      echo "FAIL: $var is not set: start the test database with eval \"\$(scripts/testdb.sh start)\" or run ./test.sh" >&2
      exit 1
    fi
  done
}
