#!/usr/bin/env bash
# Runs a test program with a small HTTP server of its own on 127.0.0.1: the server picks a
# free port and prints it, the test finds it in RVX_HTTP_PORT (Wine passes the variable on),
# and the server is stopped when the test ends, however it ends (a time-out of ctest too).
#
#   with-http-server.sh <server.py> <test.exe> <emulator...>
set -uo pipefail
server=${1:?server script}; test=${2:?test program}; shift 2
[ $# -ge 1 ] || { echo "with-http-server: no emulator" >&2; exit 2; }

test_pid=
coproc SERVER { exec python3 "$server"; }
server_pid=$SERVER_PID
stop_all() {
  [ -n "$test_pid" ] && kill "$test_pid" 2>/dev/null
  kill "$server_pid" 2>/dev/null
  wait "$server_pid" 2>/dev/null
}
trap stop_all EXIT
trap 'exit 143' TERM INT
# The first line is printed once the socket listens, so the test never races the server.
if ! read -r port <&"${SERVER[0]}"; then
  echo "with-http-server: the server did not start" >&2
  exit 1
fi
# In the background, so that a signal reaches the traps while the test runs.
RVX_HTTP_PORT=$port "$@" "$test" --gtest_color=no &
test_pid=$!
wait "$test_pid"
status=$?
test_pid=
exit "$status"
