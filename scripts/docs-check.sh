#!/usr/bin/env bash
# Checks the documentation, from a build folder (build/ by default):
#  - the API reference (the docs target): Doxygen over the public headers,
#    where any warning, such as an undocumented public class or function,
#    is an error;
#  - the guide's code: every C++ block of docs/guide.md is marked with the
#    example it comes from (<!-- snippet: examples/NAME/main.cpp -->) and
#    appears in that file exactly as printed.
# Any failure ends the script with a non-zero status.
#   scripts/docs-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

fail() {
    echo "docs-check: FAILED: $*" >&2
    exit 1
}

echo "docs-check: API reference"
cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target docs || fail "the API reference has warnings (above)"
[ -f "$build/docs/api/html/index.html" ] || fail "no $build/docs/api/html/index.html"

echo "docs-check: the guide's snippets"
awk '
    function check(   text, line, found) {
        if (source == "") {
            printf "docs/guide.md:%d: a C++ block without a snippet marker\n", start
            bad = 1
            return
        }
        text = ""
        while ((getline line < source) > 0)
            text = text line "\n"
        close(source)
        if (text == "") {
            printf "docs/guide.md:%d: %s cannot be read\n", start, source
            bad = 1
        } else if (index(text, block) == 0) {
            printf "docs/guide.md:%d: the block is not in %s as printed\n", start, source
            bad = 1
        }
        count++
    }
    /^<!-- snippet: .* -->$/ { marked = $3; next }
    inside && /^```$/ { check(); inside = 0; source = ""; next }
    inside { block = block $0 "\n"; next }
    /^```cpp$/ { inside = 1; block = ""; start = NR; source = marked; marked = ""; next }
    { if (NF) marked = "" }
    END {
        if (count == 0) { print "docs/guide.md: no C++ block"; bad = 1 }
        if (bad) exit 1
        printf "docs-check:   %d snippets found in their examples\n", count
    }
' docs/guide.md || fail "the guide's snippets differ from the examples"
echo "docs-check: all checks passed"
