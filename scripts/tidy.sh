#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over every project source in a build tree's compile database.
#   scripts/tidy.sh [BUILD_DIR]     default build
# GCC-only flags (-fno-gnu-unique) are dropped from a copy of the database for clang.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
DB=$BUILD/tidy
mkdir -p "$DB"
python3 - "$BUILD/compile_commands.json" "$DB/compile_commands.json" <<'PY'
import json, sys
entries = json.load(open(sys.argv[1]))
for e in entries:
    e["command"] = e["command"].replace(" -fno-gnu-unique", "")
# Generated resource tables are data, not code to review.
# Nor is the code moc writes (the *_autogen folders).
entries = [e for e in entries if "/_deps/" not in e["file"] and not e["file"].endswith("_resources.cpp")
           and "_autogen/" not in e["file"]]
json.dump(entries, open(sys.argv[2], "w"))
PY
mapfile -t FILES < <(python3 -c 'import json,sys; [print(e["file"]) for e in json.load(open(sys.argv[1]))]' "$DB/compile_commands.json" | sort -u)
printf '%s\n' "${FILES[@]}" | xargs -P "${VYR_TIDY_JOBS:-$(nproc)}" -n 4 clang-tidy -p "$DB" --quiet 2> >(grep -v "warnings generated" >&2)
echo "tidy: ${#FILES[@]} files clean"
