#!/usr/bin/env bash
# Builds the form reader's fuzz target with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) from just the sources it needs, then runs it over the corpus in
# tests/fuzz/corpus for a bounded time. New inputs the fuzzer finds go to the build folder, not
# into the repository; a crashing input is left there as crash-* and the script fails.
#
#   scripts/fuzz.sh [SECONDS]        default 60 (or $VYR_FUZZ_SECONDS)
#
# Needs clang++ and the libFuzzer runtime (Debian: apt-get install clang libclang-rt-14-dev).
# Build folder: $VYR_FUZZ_BUILD, default build-fuzz; reused while the sources do not change.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
SECONDS_TO_RUN=${1:-${VYR_FUZZ_SECONDS:-60}}
OUT=${VYR_FUZZ_BUILD:-$ROOT/build-fuzz}
CXX=${VYR_FUZZ_CXX:-clang++}
JOBS=${VYR_FUZZ_JOBS:-2}

if ! command -v "$CXX" >/dev/null 2>&1; then
    echo "fuzz.sh: $CXX not found (apt-get install clang libclang-rt-14-dev)" >&2
    exit 1
fi

SOURCES=(src/host/*.cpp src/host/designtime/*.cpp src/charset/*.cpp src/package/register.cpp tests/fuzz/fuzz_form.cpp)
while IFS= read -r File; do SOURCES+=("$File"); done < <(find src/editmatrix -name '*.cpp' | sort)
FLAGS=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined -Iinclude)

mkdir -p "$OUT/obj" "$OUT/corpus"
# Rebuild when any source, header or flag changed.
STAMP=$( { printf '%s\n' "$CXX" "${FLAGS[@]}"; cat "${SOURCES[@]}" $(find include -name '*.h' | sort); } | sha1sum | cut -d' ' -f1)
if [[ ! -x "$OUT/fuzz_form" || "$(cat "$OUT/stamp" 2>/dev/null)" != "$STAMP" ]]; then
    echo "fuzz.sh: building $OUT/fuzz_form with $("$CXX" --version | head -1)"
    rm -f "$OUT"/obj/*.o
    printf '%s\n' "${SOURCES[@]}" | xargs -P "$JOBS" -I{} sh -c \
        'f="$1"; shift; exec "$@" -c "$f" -o "'"$OUT"'/obj/$(echo "$f" | tr / _).o"' _ {} "$CXX" "${FLAGS[@]}"
    "$CXX" -fsanitize=fuzzer,address,undefined "$OUT"/obj/*.o -o "$OUT/fuzz_form" -ldl -lpthread
    echo "$STAMP" > "$OUT/stamp"
fi

echo "fuzz.sh: fuzzing the form reader for ${SECONDS_TO_RUN}s"
"$OUT/fuzz_form" -max_total_time="$SECONDS_TO_RUN" -max_len=4096 -timeout=20 -rss_limit_mb=4096 \
    -print_final_stats=1 -dict=tests/fuzz/form.dict -artifact_prefix="$OUT/" \
    "$OUT/corpus" tests/fuzz/corpus
