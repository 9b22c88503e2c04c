#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# from just the sources they need, then runs each over its corpus for a bounded time:
#   fuzz_form    the form reader            corpus tests/fuzz/corpus
#   fuzz_matrix  programs of public matrix  corpus tests/fuzz/matrix_corpus
#                operations (tests/support/MatrixProgram.h)
#   fuzz_font    the font readers (BDF,     corpus tests/fuzz/font_corpus
#                PCF, PSF, gzip)
# New inputs the fuzzer finds go to the build folder, not into the repository; a crashing input
# is left there as <target>-crash-* and the script fails.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   SECONDS per target, default 60 (or $VYR_FUZZ_SECONDS);
#                                           targets default to all three
#
# Needs clang++ and the libFuzzer runtime (Debian: apt-get install clang libclang-rt-14-dev).
# Build folder: $VYR_FUZZ_BUILD, default build-fuzz; reused while the sources do not change.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
SECONDS_TO_RUN=${1:-${VYR_FUZZ_SECONDS:-60}}
shift || true
TARGETS=("$@")
[[ ${#TARGETS[@]} -gt 0 ]] || TARGETS=(fuzz_form fuzz_matrix fuzz_font)
OUT=${VYR_FUZZ_BUILD:-$ROOT/build-fuzz}
CXX=${VYR_FUZZ_CXX:-clang++}
JOBS=${VYR_FUZZ_JOBS:-2}

if ! command -v "$CXX" >/dev/null 2>&1; then
    echo "fuzz.sh: $CXX not found (apt-get install clang libclang-rt-14-dev)" >&2
    exit 1
fi

# The libraries every target links; each target adds its own sources.
COMMON=(src/host/*.cpp src/host/designtime/*.cpp src/host/headless/*.cpp src/charset/*.cpp src/package/register.cpp)
while IFS= read -r File; do COMMON+=("$File"); done < <(find src/editmatrix -name '*.cpp' | sort)
declare -A OWN=(
    [fuzz_form]="tests/fuzz/fuzz_form.cpp"
    [fuzz_matrix]="tests/fuzz/fuzz_matrix.cpp $(echo tests/support/MatrixProgram*.cpp)"
    [fuzz_font]="tests/fuzz/fuzz_font.cpp $(echo src/fonts/*.cpp)"
)
# Libraries a target links beyond the common ones.
declare -A LIBS=([fuzz_font]="-lfreetype -lz")
declare -A CORPUS=([fuzz_form]=tests/fuzz/corpus [fuzz_matrix]=tests/fuzz/matrix_corpus [fuzz_font]=tests/fuzz/font_corpus)
# Per-target options: the form reader has a dictionary; a matrix program may ask for a back
# buffer of the host's largest size, which takes a while to paint under the sanitizers.
declare -A EXTRA=([fuzz_form]="-max_len=4096 -timeout=20 -dict=tests/fuzz/form.dict"
                  [fuzz_matrix]="-max_len=2048 -timeout=120"
                  [fuzz_font]="-max_len=16384 -timeout=20")
FLAGS=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined -Iinclude -Isrc -Itests -I/usr/include/freetype2)

SOURCES=("${COMMON[@]}")
for Target in "${TARGETS[@]}"; do
    [[ -n "${OWN[$Target]:-}" ]] || { echo "fuzz.sh: no target $Target" >&2; exit 1; }
    read -ra Own <<< "${OWN[$Target]}"
    SOURCES+=("${Own[@]}")
done

mkdir -p "$OUT/obj"
# Rebuild when any source, header or flag changed.
STAMP=$( { printf '%s\n' "$CXX" "${FLAGS[@]}" "${SOURCES[@]}"; cat "${SOURCES[@]}" $(find include src tests/support -name '*.h' | sort); } | sha1sum | cut -d' ' -f1)
Object() { echo "$OUT/obj/$(echo "$1" | tr / _).o"; }
Built() {
    [[ "$(cat "$OUT/stamp" 2>/dev/null)" == "$STAMP" ]] || return 1
    for T in "${TARGETS[@]}"; do [[ -x "$OUT/$T" ]] || return 1; done
}
if ! Built; then
    echo "fuzz.sh: building ${TARGETS[*]} in $OUT with $("$CXX" --version | head -1)"
    rm -f "$OUT"/obj/*.o "$OUT/stamp"
    printf '%s\n' "${SOURCES[@]}" | sort -u | xargs -P "$JOBS" -I{} sh -c \
        'f="$1"; shift; exec "$@" -c "$f" -o "'"$OUT"'/obj/$(echo "$f" | tr / _).o"' _ {} "$CXX" "${FLAGS[@]}"
    COMMON_OBJECTS=()
    for File in "${COMMON[@]}"; do COMMON_OBJECTS+=("$(Object "$File")"); done
    for Target in "${TARGETS[@]}"; do
        read -ra Own <<< "${OWN[$Target]}"
        OWN_OBJECTS=()
        for File in "${Own[@]}"; do OWN_OBJECTS+=("$(Object "$File")"); done
        read -ra Libs <<< "${LIBS[$Target]:-}"
        "$CXX" -fsanitize=fuzzer,address,undefined "${COMMON_OBJECTS[@]}" "${OWN_OBJECTS[@]}" -o "$OUT/$Target" \
            "${Libs[@]}" -ldl -lpthread
    done
    echo "$STAMP" > "$OUT/stamp"
fi

for Target in "${TARGETS[@]}"; do
    mkdir -p "$OUT/corpus-$Target"
    echo "fuzz.sh: fuzzing $Target for ${SECONDS_TO_RUN}s"
    read -ra Extra <<< "${EXTRA[$Target]}"
    "$OUT/$Target" -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=4096 -print_final_stats=1 "${Extra[@]}" \
        -artifact_prefix="$OUT/$Target-" "$OUT/corpus-$Target" "${CORPUS[$Target]}"
done
