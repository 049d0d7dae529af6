#!/usr/bin/env bash
# Builds the XML fuzz targets with clang and libFuzzer under AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs both side by side (one a core):
#   xml_roundtrip_fuzzer   arbitrary bytes, corpus seeded from fuzz/seeds
#   xml_wellformed_fuzzer  well-formed documents made from the fuzzer's bytes
#
#   scripts/fuzz.sh [seconds]     default: 600 for each
#
# Corpora grow in build/fuzz/corpus/<target>; a crash or mismatch is written to
# build/fuzz/artifacts/<target>-*, and each run's output to build/fuzz/<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"

scripts/deps.sh cmake make pkg-config clang-14 libclang-rt-14-dev libfuzzer-14-dev libxml2-dev

build=build/fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DTOLLIVANE_FUZZ=ON -DTOLLIVANE_TESTS=OFF -DTOLLIVANE_SANITIZE=OFF >/dev/null
cmake --build "$build" -j2 --target xml_roundtrip_fuzzer xml_wellformed_fuzzer

mkdir -p "$build/corpus/xml_roundtrip_fuzzer" "$build/corpus/xml_wellformed_fuzzer" "$build/artifacts"
cp -n fuzz/seeds/* "$build/corpus/xml_roundtrip_fuzzer/"

run() {
  local target="$1"
  # -timeout catches inputs that make the reader or writer crawl.
  "$build/fuzz/$target" "$build/corpus/$target" \
    -dict=fuzz/xml.dict -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
    -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" >"$build/$target.log" 2>&1
}

echo "Fuzzing for $seconds s; output in $build/xml_roundtrip_fuzzer.log and $build/xml_wellformed_fuzzer.log"
status=0
run xml_roundtrip_fuzzer &
first=$!
run xml_wellformed_fuzzer &
second=$!
wait "$first" || status=1
wait "$second" || status=1

for target in xml_roundtrip_fuzzer xml_wellformed_fuzzer; do
  echo "== $target"
  grep -E '^(stat::|INFO: fuzzed for|Done )|ERROR|SUMMARY|\*\*\* xml round trip|Test unit written' "$build/$target.log" || true
done
[ "$status" -eq 0 ] && echo "No crash, no sanitizer report, no round-trip mismatch." || echo "FAILED: see the logs and $build/artifacts/"
exit "$status"
