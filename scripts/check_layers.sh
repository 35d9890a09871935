#!/usr/bin/env bash
# Checks that includes point down the layers of scripts/layers.txt, and that every project header
# is included by path from its tree's root ("serial/com_port.h", "support/pty_pair.h"), never by
# bare name. Fails naming file and line. Generated headers (ui_*.h, *.moc) are by bare name.
set -euo pipefail
cd "$(dirname "$0")/.."

# Every quoted include of the sources, and every custom widget header named in a window
# description (the generated code includes it), as file:line:text.
includes() {
    grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
        src tools tests bench fuzz || true
    grep -rnE --include='*.ui' '<header>' src || true
}

# The folders an include may name first: the layers of src/, the tools, the tests' helpers.
roots() {
    for tree in src tools tests; do
        for dir in "$tree"/*/; do
            [ -d "$dir" ] && printf '%s %s\n' "$(basename "$dir")" "${dir%/}"
        done
    done
    echo "bench bench"
}

includes | awk -v table=scripts/layers.txt -v rootlist="$(roots)" '
BEGIN {
    while ((getline line < table) > 0) {
        sub(/#.*/, "", line)
        n = split(line, word, /[[:space:]]+/)
        first = word[1] == "" ? 2 : 1
        if (n < first || word[first] == "")
            continue
        known[word[first]] = 1
        for (i = first + 1; i <= n; i++)
            if (word[i] != "")
                allowed[word[first], word[i]] = 1
    }
    n = split(rootlist, pair, "\n")
    for (i = 1; i <= n; i++) {
        split(pair[i], part, " ")
        if (!(part[1] in root))
            root[part[1]] = part[2]
    }
    failures = 0
}
function fail(message) {
    printf "%s:%s: %s\n", file, lineno, message
    failures++
}
{
    file = $0; sub(/:.*/, "", file)
    rest = substr($0, length(file) + 2)
    lineno = rest; sub(/:.*/, "", lineno)
    if (file ~ /\.ui$/) {
        header = rest; sub(/.*<header>/, "", header); sub(/<\/header>.*/, "", header)
    } else {
        header = rest; sub(/^[^"]*"/, "", header); sub(/".*/, "", header)
    }
    name = header; sub(/.*\//, "", name)
    if (name ~ /^ui_.*\.h$/ || name ~ /\.moc$/)
        next
    if (header !~ /\//) {
        fail("\"" header "\" is included by bare name; include it by path from its root")
        next
    }
    top = header; sub(/\/.*/, "", top)
    if (!(top in root)) {
        fail("\"" header "\" names no folder of src/, tools/ or tests/")
        next
    }
    target = root[top]
    # Only src/ and tools/ are held to the layers.
    if (file !~ /^(src|tools)\//)
        next
    split(file, path, "/")
    folder = path[1] "/" path[2]
    if (!(folder in known)) {
        fail(folder " is not in " table "; add its line there")
        next
    }
    if (target == folder || (folder, target) in allowed)
        next
    if (target ~ /^src\// && (folder, "src/*") in allowed)
        next
    fail(folder " may not include from " target " (\"" header "\"): see " table)
}
END {
    if (failures > 0) {
        printf "%d include(s) against the layers\n", failures
        exit 1
    }
}'
