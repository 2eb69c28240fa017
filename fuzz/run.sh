#!/usr/bin/env bash
# Builds the fuzz targets and runs each, one after another, for the given number of seconds
# (default 20), starting from the seed corpus in fuzz/corpus/. The corpus grown by the run stays
# in a scratch directory; the repository's seeds are not touched. A crash, leak, timeout or
# out-of-memory input fails the run and is kept in the artefact directory that is printed.
# Usage: fuzz/run.sh [seconds] [build directory]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
out="${2:-$root/build-fuzz}"
"$root/fuzz/build.sh" "$out"

work="$(mktemp -d "${TMPDIR:-/tmp}/seepage-fuzz-XXXXXX")"
status=0
passed=0
failed=0
for target in formatFuzz fixedReadFuzz freeFormReadFuzz resultFileFuzz; do
  mkdir -p "$work/$target/corpus" "$work/$target/artefacts"
  cp "$root/fuzz/corpus/$target/"* "$work/$target/corpus/"
  echo "fuzzing $target for ${seconds}s"
  if ! "$out/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$work/$target/artefacts/" \
      "$work/$target/corpus" > "$work/$target/log" 2>&1; then
    echo "FINDING in $target: see $work/$target/log and $work/$target/artefacts/"
    tail -n 40 "$work/$target/log"
    status=1
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/$target/log" | tr '\n' ' '
    echo
  fi
done
if [[ $status -eq 0 ]]; then rm -rf "$work"; fi
echo "fuzz: $passed passed, $failed failed"
exit $status
