#!/usr/bin/env bash
# Finds the system calls the decoders need that the helpers' filter refuses:
# every picture of the test corpus, the hostile files and the fuzzers' corpora
# (when make fuzz has made them) is decoded in every way the window asks for
# one, in helpers that write each refused call to standard error; the calls
# are then counted by name. A call that a format needs shows up here, with
# its arguments, before it shows up as a picture that fails.
#   scripts/audit-sandbox.sh [build folder, default build/debug] [pictures...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/debug}
shift || true
cmake --build "$build" --target zelvo-sandbox-audit zelvo-decoder >/dev/null
pictures=("$@")
if [ ${#pictures[@]} -eq 0 ]; then
    pictures=(tests/data/formats/* tests/data/hostile/* tests/data/*.gif tests/data/*.jpg)
    for corpus in build/fuzz/corpus-heif build/fuzz/corpus-jxl build/fuzz/corpus-raw; do
        [ -d "$corpus" ] && pictures+=("$corpus"/*)
    done
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$build/tests/zelvo-sandbox-audit" "${pictures[@]}" 2>"$log" || true
python3 - "$log" <<'PY'
import collections, re, sys
names = {}
for header in ("/usr/include/x86_64-linux-gnu/asm/unistd_64.h", "/usr/include/asm-generic/unistd.h"):
    try:
        for line in open(header):
            m = re.match(r"#define __NR_(\w+)\s+(\d+)", line)
            if m:
                names.setdefault(int(m.group(2)), m.group(1))
    except OSError:
        pass
refused = collections.Counter()
example = {}
pictures = results = 0
for line in open(sys.argv[1], errors="replace"):
    if line.startswith("audit: status"):
        results += 1
    elif line.startswith("audit: "):
        pictures += 1
    m = re.search(r"zelvo-decoder refused (\d+)(.*)", line)
    if m:
        name = names.get(int(m.group(1)), m.group(1))
        refused[name] += 1
        example.setdefault(name, m.group(2).strip())
print(f"{pictures} pictures, {results} decodes")
for name, count in refused.most_common():
    print(f"refused {name}: {count} times (for example with {example[name]})")
if not refused:
    print("nothing refused")
PY
