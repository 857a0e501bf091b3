# Sourced by the end-to-end scripts: numbered checks and the summary.
#   check DESCRIPTION COMMAND...   runs COMMAND; counts and prints ok or FAILED
#   summary                        prints the counts; fails when a check failed
#   p ARGS...                      the Windows-side probe ($probe), output without CRs
passed=0
failed=0
check() {
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $what"
  else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
summary() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
p() { wine "$probe" "$@" | tr -d '\r'; }
