#!/usr/bin/env bash
# A long run of one fuzz target: scripts/fuzz.sh TARGET MINUTES [LIBFUZZER FLAGS...]
#   TARGET is jpeg, tga, lwo or it. The run starts from the target's seeds (fuzz/seeds/TARGET)
#   and the corpus of earlier runs (build/fuzz/fuzz/TARGET_corpus, which it grows), uses
#   the format's dictionary (fuzz/dict/TARGET.dict), and runs at the lowest priority.
#   A crash, leak or time-out is written to build/fuzz/fuzz/TARGET_findings/; keep each as a
#   regression seed in fuzz/seeds/TARGET once it is fixed. The last line says how many
#   inputs ran and how many edges they reached. Further flags go to libFuzzer: the show's
#   music (782 KB) makes the module target's mutants slow, and -max_len=16384 keeps them
#   small (about 140 inputs a second instead of 4 on a busy machine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-}
minutes=${2:-}
shift 2 || true
case "$target" in jpeg|tga|lwo|it) ;; *) echo "usage: $0 jpeg|tga|lwo|it MINUTES" >&2; exit 2 ;; esac
[[ "$minutes" =~ ^[0-9]+$ ]] && [ "$minutes" -gt 0 ] || { echo "usage: $0 $target MINUTES" >&2; exit 2; }

[ -x "$root/build/fuzz/fuzz/${target}_fuzz" ] || "$root/scripts/build.sh" fuzz
cmake --build "$root/build/fuzz" --target "${target}_fuzz" >/dev/null
out="$root/build/fuzz/fuzz"
mkdir -p "$out/${target}_corpus" "$out/${target}_findings"
# The show's own music joins the module seeds when a release build has forged it.
if [ "$target" = it ] && [ -f "$root/build/release/content/Files/Tenebrix.it" ]; then
  cp "$root/build/release/content/Files/Tenebrix.it" "$out/it_corpus/forge_soundtrack.it"
fi
log="$out/${target}_fuzz.log"
status=0
nice -n 19 "$out/${target}_fuzz" -max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$@" -dict="$root/fuzz/dict/${target}.dict" -artifact_prefix="$out/${target}_findings/" \
  "$out/${target}_corpus" "$root/fuzz/seeds/$target" >"$log" 2>&1 || status=$?
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
edges=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
findings=$(find "$out/${target}_findings" -type f | wc -l)
echo "${target}_fuzz: ${runs:-?} inputs, ${edges:-?} edges, ${findings} findings in $out/${target}_findings (log $log)"
exit $status
