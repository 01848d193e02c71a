#!/bin/bash
# The fuzz tier: replays each seed on its own (tests/fuzz/corpus: the INFs
# the check must refuse, *.path the paths the path rules must refuse, *.cat
# catalogs of both versions whole and cut short, a PE file; the sample
# medium's INFs), then fuzzes from them for
# 30 s. A crash, a hang (10 s on one input), a leak, 2 GB of memory or a
# sanitizer report fails; the input is kept in $RS_ARTIFACTS/fuzz (default
# out/build/artifacts/fuzz). Each seed counts as a test, the fuzzing as one
# more. Usage: fuzz.sh INF_FUZZ WORKDIR (WORKDIR: created, left to the caller).
set -u
src="$(cd "$(dirname "$0")/.." && pwd)"
bin="$1" work="$2"
kept="${RS_ARTIFACTS:-$src/out/build/artifacts}/fuzz/"
limits=(-timeout=10 -rss_limit_mb=2048 -detect_leaks=1 -artifact_prefix="$kept")
mkdir -p "$work/seeds" "$kept" || exit 1
cd "$src"
passed=0 failed=0
for seed in tests/fuzz/corpus/* tools/medium/Setup/drivers/ORVEX.ncp $(find tools/medium -name '*.inf' | sort); do
  if "$bin" "${limits[@]}" "$seed" >"$work/replay.log" 2>&1; then
    passed=$((passed + 1))
    cp "$seed" "$work/seeds/$(tr / _ <<<"$seed")"
  else
    failed=$((failed + 1))
    echo "fuzz: $seed fails:"; cat "$work/replay.log"
  fi
done
# New inputs go to the working copy of the seeds, never to the corpus.
if "$bin" "${limits[@]}" -max_total_time=30 "$work/seeds" >"$work/run.log" 2>&1; then
  passed=$((passed + 1))
  grep '^Done' "$work/run.log"
else
  failed=$((failed + 1))
  echo "fuzz: the fuzzing found a fault (its input in $kept):"; tail -n 60 "$work/run.log"
fi
echo "fuzz: $passed passed, $failed failed, 0 skipped"
[ "$failed" -eq 0 ]
